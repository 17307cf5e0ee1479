#pragma once
// Colours written as hexadecimal text ("#068EFF", "068EFF80"), as every colour of the
// interface is written. Pure functions, safe on any thread.

#include <optional>
#include <string_view>

#include "platform/ui/Color.h"

// Six digits are red, green and blue at full alpha; eight add an alpha byte. Every
// character that is not a hexadecimal digit is dropped first; any other count of digits
// gives no colour.
std::optional<platform::ui::Color> initWithHexString(std::string_view text);
// As above with the given alpha; the alpha byte of an eight-digit text is ignored.
std::optional<platform::ui::Color> initWithHexString(std::string_view text, double alpha);
