#pragma once
// What the window server does after the displays have changed: the status items go back
// into the main screen's menu bar, and every visible window that the change left partly or
// wholly off the screens is moved onto the main screen. Main thread.

namespace platform::ui {

// Moves each visible window not wholly covered by the screens into the main screen's
// visible frame, the shortest way (a window larger than that area keeps its top-left corner
// at the area's). Full-screen windows keep to their display; without screens nothing moves.
void keepWindowsOnScreens();

// Runs keepWindowsOnScreens after every display change the reconfiguration callbacks
// announce; registering again does nothing. Any thread.
void followDisplayChanges();

}  // namespace platform::ui
