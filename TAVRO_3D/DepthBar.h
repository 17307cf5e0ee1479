#pragma once
// The depth bar of the connected panel and popover: where the knob sits for a position on
// the bar and which depth a position stands for (the label's text is common's depth format).
// The bar maps linearly onto 0...0.015 (0.00015 per hundredth of its width) and snaps to
// either end within half a visible knob of it. Pure functions, safe on any thread.

#include <optional>

#include "platform/ui/GestureRecognizer.h"

namespace depthbar {

inline constexpr float kMaxDepth = 0.015f;
inline constexpr float kDepthPerHundredth = 0.00015f;
// The knob picture carries this much transparent margin in all, half on each side; the
// popover's smaller knob places itself with a margin of 16.
inline constexpr double kPanelKnobMargin = 14.0;
inline constexpr double kPopoverKnobMargin = 16.0;

// `x` clamped to the bar (0...width); 0 for a bar without width.
double clampedPosition(double x, double barWidth);

// The knob's leading offset inside the bar for the position `x`: the knob at the left end,
// at the right end, or centred on the position.
double knobLeadingOffset(double x, double barWidth, double knobWidth, double knobMargin);

// The depth `x` stands for (unrounded). A bar without width gives 0 rather than dividing
// by its width.
float depthForPosition(double x, double barWidth, double knobWidth);

// The position on a bar of `barWidth` that shows `depth`.
double positionForDepth(float depth, double barWidth);

// The default depth of a screen mode; none for an unknown mode (the depth stays).
std::optional<float> defaultDepthForMode(long long mode);

// Whether a pan in `state` moves the knob: while it changes and where it ends.
inline bool panMovesKnob(platform::ui::GestureState state) {
    using platform::ui::GestureState;
    return state == GestureState::Changed || state == GestureState::Ended ||
           state == GestureState::Cancelled;
}

}  // namespace depthbar
