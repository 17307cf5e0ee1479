#pragma once
// Telling the screens apart and bringing the displays into the arrangement the glasses
// need: the glasses screen, the Mac's own ("host") screen, the built-in panel, the session
// lock, whether the Mac needs a virtual main display, un-mirroring the glasses and
// switching a display's resolution.
//
// Any thread: the application calls them on the main thread, and cancelMirroring also from
// a global queue (its main-display step blocks that thread for 0.5 s).

#include <functional>
#include <optional>
#include <string_view>

#include "platform/screens/Screen.h"

using platform::screens::Screen;

// The glasses-screen rule: the lower-cased name holds "tavro" and not "monitor".
bool isTavroGlassScreenName(std::string_view name);
// "NSScreenNumber" of the screen's device description, when it is an unsigned 32-bit number.
std::optional<uint32_t> displayNumberOf(const Screen& screen);

// The built-in screen, remembered from the first time it is found for the life of the
// process (also after the panel has gone, lid closed).
std::optional<Screen> builtinScreen();
// The built-in screen, else the first screen named neither "tavro" nor "monitor".
std::optional<Screen> findHostScreen();
// On a Mac without a built-in screen, the first screen named neither "tavro" nor "monitor".
std::optional<Screen> findExternalHostScreen();
// The display number of findExternalHostScreen's screen.
std::optional<uint32_t> screenNumber();

bool isScreenLocked();
// A Mac mini, or a Mac with neither a built-in nor an external host screen.
bool needsVirtualMainDisplay();

// Stops every glasses screen from mirroring, optionally makes the host screen main instead
// of the glasses, and with a single visible screen un-mirrors the main display. False when
// a second screen was required and is missing, an un-mirroring failed, or the glasses stay
// main beside another screen.
bool cancelMirroring(bool requireSecondScreen, bool makeHostMain);

// Switches the display to the first mode of that width unless the current mode already has
// that size; `completion` is called once, before the function returns.
void switchDisplayResolution(uint32_t display, double width, double height,
                             const std::function<void(bool)>& completion);

namespace display_detail {
// Empties the built-in screen memory, so that each simulated machine starts afresh (tests).
void forgetBuiltinScreen();
}  // namespace display_detail
