#pragma once
// What every view offers for toasts and activity overlays, and the opacity fades that show
// and take them away. A toast shows at once, stays 1 s, fades out over 1 s and is removed
// from its host; toasts are not queued, so two shown together overlap. Main thread only
// (the HUD facade queues its toasts on the main queue).

#include <string>

namespace platform::ui {
class View;
}
class IndicatorStyle;

// A toast over the key window's content; without a key window (or one without content)
// over `view`'s superview; with neither, nothing.
void showToast(platform::ui::View& view, const std::string& message);
// A toast inside `view` itself.
void addToast(platform::ui::View& view, const std::string& message);

// An activity overlay over `view`, faded in; it replaces the one remembered for `view`.
// The overlay is remembered only for a view owned by a shared pointer.
void showActivity(platform::ui::View& view);
// Fades out and removes the overlay remembered for `view`, when there is one.
void hideActivity(platform::ui::View& view);

// The toast's fade: 1 s after now, over 1 s; the view is removed when it ends.
void hideToastAnimated(platform::ui::View& view);
// Fades with the style's delay and duration; a faded-out view is removed.
void hideViewAnimated(platform::ui::View& view, const IndicatorStyle& style);
void showViewAnimated(platform::ui::View& view, const IndicatorStyle& style);
