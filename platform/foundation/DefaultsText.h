#pragma once
// How user defaults read texts as numbers and numbers as texts, following the platform's
// text-to-number rules (leading blanks skipped, the longest number prefix read, anything
// else 0). Internal to the foundation library; pure functions, thread-safe.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/foundation/Value.h"

namespace platform::foundation::defaultstext {

// True when the text starts (after blanks, a sign and zeros) with Y, y, T, t or 1...9:
// "YES", "true", "1", "007".
bool textBool(std::string_view text);
// The leading decimal integer, clamped to the 64-bit range: "42" and "42px" are 42.
int64_t textInteger(std::string_view text);
// The leading decimal number: "2.5", " -1e3x".
double textDouble(std::string_view text);
// A number as the platform writes it: "1" for true, "42", "0.5".
std::string numberText(const Value& number);

}  // namespace platform::foundation::defaultstext
