#pragma once
// Checks of phone numbers and e-mail addresses by regular expression, with the platform's
// regular-expression rules (ICU), so that \p{L} matches a letter of any script.
// The compiled patterns are shared and immutable: thread-safe.

#include <string_view>

namespace common {

// "1" and ten more digits: a mainland-China mobile number.
bool isValidPhoneNumber(std::string_view text);
// A Latin-letter address with a top-level part of at least two letters.
bool isValidEmail(std::string_view text);
// An address whose local part and domain labels may hold letters of any script; letter
// case does not matter.
bool isValidInternationalEmail(std::string_view text);
bool isValidPhoneOrEmail(std::string_view text);

}  // namespace common
