#pragma once
// The tracking area of the hover buttons: one area over the whole view, so the button
// hears the mouse enter, leave and move while the application is active. Main thread only.

namespace platform::ui {
class View;
}

// Replaces every tracking area of `view` by one over its bounds, owned by the view.
void updateHoverTrackingArea(platform::ui::View& view);
