#pragma once
// Value to and from JSON, with the rules of the platform's JSON serialiser: objects,
// arrays, texts, numbers, Booleans and null convert; data, dates and object references do
// not, and make the whole conversion fail. Pure functions, thread-safe; bad input gives an
// Error, never a crash.

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Result.h"
#include "platform/foundation/Value.h"

namespace platform::foundation {

// Integers stay integers; other numbers become doubles.
Result<Value> valueFromJson(const nlohmann::json& json);
std::optional<nlohmann::json> jsonFromValue(const Value& value);

Result<Value> parseJsonText(std::string_view text);
// Compact JSON text (no blanks or line breaks), or nothing when `value` has a kind JSON
// cannot carry.
std::optional<std::string> jsonText(const Value& value);
// The same JSON with line breaks and two blanks of indentation per level.
std::optional<std::string> prettyJsonText(const Value& value);

// The serialiser's validity test: the top level is an array or a dictionary, and every
// value inside is null, a Boolean, a finite number, a text, an array or a dictionary.
bool isValidJsonObject(const Value& value);

}  // namespace platform::foundation
