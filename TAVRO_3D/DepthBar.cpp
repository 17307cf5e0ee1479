#include "TAVRO_3D/DepthBar.h"

#include <algorithm>
#include <cmath>

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

std::optional<float> defaultDepthForMode(long long mode) {
    switch (mode) {
        case 0:
            return 0.008f;
        case 1:
            return 0.01f;
        case 2:
            return 0.012f;
        default:
            return std::nullopt;
    }
}

}  // namespace depthbar
