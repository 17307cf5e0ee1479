#pragma once
// Numbers as text in a locale's decimal style (ICU's, as the platform's number formatter
// does it), with a range of significant digits, and the depth label's text built on it.
// Each call makes its own ICU formatter: any thread.

#include <optional>
#include <string>
#include <string_view>

namespace common {

struct DecimalNumberStyle {
    int minimumSignificantDigits = 1;
    int maximumSignificantDigits = 2;
};

// `value` in the locale's decimal style ("0.0075" in en_US, "0,0075" in de_DE); nothing
// when the locale or the digits cannot make a formatter, or for a value that is not finite.
std::optional<std::string> formatDecimalNumber(double value, const DecimalNumberStyle& style,
                                               const std::string& localeIdentifier);

// The depth label: the depth with 1 to 2 significant digits in the user's locale.
std::optional<std::string> formatDepthValue(float depth);
std::optional<std::string> formatDepthValue(float depth, const std::string& localeIdentifier);

// The depth that a label text stands for: the whole text read as a plain decimal number
// ("0.0075"); `fallback` when it does not read that way (a locale's decimal comma), so
// that the depth keeps its full value instead of being cut at the comma.
float depthValueFromLabel(std::string_view text, float fallback);

// The shortest plain decimal text (never exponent form) that reads back as the same
// 32-bit float (0.01f -> "0.01").
std::string shortestFloatText(float value);

}  // namespace common
