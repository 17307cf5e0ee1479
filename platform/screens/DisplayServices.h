#pragma once
// The display services the application calls: online display list, display queries
// (built-in, main, mirror set, vendor, model, serial, bounds), modes, configuration
// transactions, brightness, the session dictionary, the cursor and the I/O-registry
// display information. Everything reads the installed display server; without one the
// machine has no displays.
//
// Thread-safe; a configuration is used by the thread that began it.

#include <memory>
#include <optional>
#include <vector>

#include "platform/foundation/Value.h"
#include "platform/screens/DisplayServer.h"
#include "platform/screens/DisplayTypes.h"

namespace platform::screens {

// At most `capacity` online displays, in the server's order.
DisplayError onlineDisplayList(uint32_t capacity, std::vector<DisplayId>& displays);

bool displayIsBuiltin(DisplayId display);
bool displayIsMain(DisplayId display);
bool displayIsInMirrorSet(DisplayId display);
// The display at origin (0, 0) outside any mirroring; 0 without displays.
DisplayId mainDisplayId();
uint32_t displayVendorNumber(DisplayId display);  // kUnknownDisplayNumber when unknown
uint32_t displayModelNumber(DisplayId display);   // kUnknownDisplayNumber when unknown
uint32_t displaySerialNumber(DisplayId display);  // 0 when unknown
Rect displayBounds(DisplayId display);            // global coordinates; empty when unknown

std::optional<DisplayMode> displayCopyDisplayMode(DisplayId display);
// None for an unknown display.
std::optional<std::vector<DisplayMode>> displayCopyAllDisplayModes(DisplayId display);
DisplayError displaySetDisplayMode(DisplayId display, const DisplayMode& mode);

// A display-configuration transaction: changes collect until completion applies them all
// at once; a cancelled or completed configuration takes no further changes.
class DisplayConfiguration;
using DisplayConfigRef = std::shared_ptr<DisplayConfiguration>;

DisplayError beginDisplayConfiguration(DisplayConfigRef& config);
DisplayError configureDisplayMirrorOfDisplay(const DisplayConfigRef& config, DisplayId display,
                                             DisplayId master);
DisplayError configureDisplayOrigin(const DisplayConfigRef& config, DisplayId display, int32_t x,
                                    int32_t y);
DisplayError completeDisplayConfiguration(const DisplayConfigRef& config, int32_t option);
DisplayError cancelDisplayConfiguration(const DisplayConfigRef& config);

// Brightness from 0 to 1 of a display that has a controllable backlight.
DisplayError displayServicesGetBrightness(DisplayId display, float& brightness);
DisplayError displayServicesSetBrightness(DisplayId display, float brightness);

// The session's dictionary ("CGSSessionScreenIsLocked" while the screen is locked), or none.
std::optional<foundation::ValueDictionary> sessionCopyCurrentDictionary();
DisplayError warpMouseCursorPosition(Point point);
// The cursor's position in global coordinates, none when no display server tracks it.
std::optional<Point> cursorPosition();

// The information dictionaries of the I/O registry's display connections, one per physical
// display: "DisplayVendorID", "DisplayProductID", "DisplaySerialNumber" (each left out when
// the display does not report it) and "DisplayProductName" ({locale: name}). None when the
// registry cannot be read.
std::optional<std::vector<foundation::ValueDictionary>> displayConnectInfoDictionaries();

}  // namespace platform::screens
