#pragma once
// XML property lists (the platform's plist format) to and from Value. Pure functions,
// thread-safe. Parsing never crashes on bad bytes: it returns an error instead.
//
// Kinds: dict, array, string, integer, real (read as double), true/false, data (Base64),
// date (ISO 8601, UTC). Null and object references cannot be written. Integers outside the
// 64-bit signed range and nesting deeper than 256 levels are errors, and so are texts and
// keys holding a control character other than tab, line feed and carriage return (XML
// cannot carry them); dates are written in whole seconds; float and double are both
// written as real.

#include <span>
#include <string>

#include "platform/foundation/Result.h"
#include "platform/foundation/Value.h"

namespace platform::foundation {

Result<Value> parsePropertyList(std::span<const uint8_t> bytes);
Result<std::string> serializePropertyList(const Value& root);

}  // namespace platform::foundation
