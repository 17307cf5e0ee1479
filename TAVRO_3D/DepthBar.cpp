#include "TAVRO_3D/DepthBar.h"

#include <unicode/decimfmt.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

#include "platform/foundation/SystemInfo.h"

namespace depthbar {

double clampedPosition(double x, double barWidth) {
    if (!(barWidth > 0) || std::isnan(x)) return 0;
    return std::clamp(x, 0.0, barWidth);
}

double knobLeadingOffset(double x, double barWidth, double knobWidth, double knobMargin) {
    const double pos = clampedPosition(x, barWidth);
    const double half = (knobWidth - knobMargin) / 2;
    const double endOffset = knobMargin / 2;
    if (pos <= half) return -endOffset;
    if (pos >= barWidth - half) return barWidth - knobWidth + endOffset;
    return pos - knobWidth / 2;
}

float depthForPosition(double x, double barWidth, double knobWidth) {
    // A bar that has not been laid out yet has no positions: the depth is 0, never the
    // quotient of a division by its zero width.
    if (!(barWidth > 0)) return 0;
    const double pos = clampedPosition(x, barWidth);
    const double half = (knobWidth - kPanelKnobMargin) / 2;
    if (pos <= half) return 0;
    if (pos >= barWidth - half) return kMaxDepth;
    return static_cast<float>(pos / (barWidth / 100) * static_cast<double>(kDepthPerHundredth));
}

double positionForDepth(float depth, double barWidth) {
    const float hundredths = depth / kDepthPerHundredth;
    return barWidth / 100 * hundredths;
}

std::optional<std::string> formatDepth(float depth) {
    const std::string localeName = platform::foundation::appleLocale().value_or("en_US");
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberFormat> format(
        icu::NumberFormat::createInstance(icu::Locale(localeName.c_str()), status));
    if (U_FAILURE(status) || !format) return std::nullopt;
    auto* decimal = dynamic_cast<icu::DecimalFormat*>(format.get());
    if (!decimal) return std::nullopt;
    decimal->setSignificantDigitsUsed(true);
    decimal->setMinimumSignificantDigits(1);
    decimal->setMaximumSignificantDigits(2);
    icu::UnicodeString text;
    decimal->format(static_cast<double>(depth), text);
    std::string utf8;
    text.toUTF8String(utf8);
    if (utf8.empty()) return std::nullopt;
    return utf8;
}

float roundedDepth(const std::string& text, float depth) {
    float value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end) return depth;
    return value;
}

std::optional<float> defaultDepthForMode(long long mode) {
    switch (mode) {
        case 0: return 0.008f;
        case 1: return 0.01f;
        case 2: return 0.012f;
        default: return std::nullopt;
    }
}

}  // namespace depthbar
