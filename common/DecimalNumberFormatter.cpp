#include "common/DecimalNumberFormatter.h"

#include <unicode/locid.h>
#include <unicode/numberformatter.h>

#include <charconv>
#include <cmath>

#include "common/DateFormat.h"

namespace common {

std::optional<std::string> formatDecimalNumber(double value, const DecimalNumberStyle& style,
                                               const std::string& localeIdentifier) {
    if (!std::isfinite(value)) return std::nullopt;
    if (style.minimumSignificantDigits < 1 ||
        style.maximumSignificantDigits < style.minimumSignificantDigits ||
        style.maximumSignificantDigits > 999) {
        return std::nullopt;
    }
    icu::Locale locale(localeIdentifier.c_str());
    if (locale.isBogus()) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    auto formatter = icu::number::NumberFormatter::withLocale(locale).precision(
        icu::number::Precision::minMaxSignificantDigits(style.minimumSignificantDigits,
                                                        style.maximumSignificantDigits));
    // The platform's formatter rounds half to even, as ICU does by default; set it anyway so
    // that a change of ICU's default cannot move the label.
    formatter = formatter.roundingMode(UNUM_ROUND_HALFEVEN);
    icu::UnicodeString text = formatter.formatDouble(value, status).toString(status);
    if (U_FAILURE(status)) return std::nullopt;
    std::string utf8;
    text.toUTF8String(utf8);
    return utf8;
}

std::optional<std::string> formatDepthValue(float depth) {
    return formatDepthValue(depth, userLocaleIdentifier());
}

std::optional<std::string> formatDepthValue(float depth, const std::string& localeIdentifier) {
    return formatDecimalNumber(static_cast<double>(depth), DecimalNumberStyle{1, 2},
                               localeIdentifier);
}

float depthValueFromLabel(std::string_view text, float fallback) {
    float value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return fallback;
    return value;
}

std::string shortestFloatText(float value) {
    char buffer[64];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (ec != std::errc()) return {};
    return std::string(buffer, ptr);
}

}  // namespace common
