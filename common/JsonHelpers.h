#pragma once
// Values to JSON text or bytes, after the serialiser's validity test: the top level must
// be an array or a dictionary holding only nulls, Booleans, finite numbers, texts, arrays
// and dictionaries. An invalid value is never repaired and nothing is logged about it.
// Pure functions, thread-safe.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Value.h"

namespace common {

// The text operations' answer for a value that cannot be serialised.
inline constexpr const char* kJsonFailureText = "无法转JSON";

// The writing option that changes the output (keys are always sorted and slashes never
// escaped; fragments never pass the validity test); other bits are ignored.
inline constexpr unsigned JSONWritingPrettyPrinted = 1;

bool isValidJSON(const platform::foundation::Value& value);

// Pretty-printed.
std::string jsonString(const platform::foundation::Value& value);
std::string dictionaryJSONString(const platform::foundation::ValueDictionary& dictionary,
                                 bool pretty);
std::string arrayJSONString(const platform::foundation::ValueArray& array, bool pretty);

// The serialiser's bytes, or nothing when the value is invalid or serialisation fails.
std::optional<std::vector<uint8_t>> dataCheckJsonWithJSONObject(
    const platform::foundation::Value& object, unsigned options);

}  // namespace common
