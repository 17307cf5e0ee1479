#pragma once
// The machine's display server as the display services see it: the online displays, an
// atomic application of a display configuration, modes, virtual displays, brightness,
// the session dictionary and the cursor. One implementation is installed per process (the
// run's factory installs a simulated Mac's own); without one the machine has no displays
// and no virtual displays can be made.
//
// Implementations are thread-safe: the main thread reads, the HID thread plugs the glasses'
// display, global queues un-mirror.

#include <memory>
#include <optional>
#include <vector>

#include "platform/foundation/Value.h"
#include "platform/screens/DisplayTypes.h"

namespace platform::screens {

// The changes of one configuration transaction, in the order they were configured.
struct ConfigurationChange {
    enum class Kind { Mirror, Origin } kind = Kind::Origin;
    DisplayId display = kNullDisplay;
    DisplayId master = kNullDisplay;  // Mirror: the display to mirror, 0 for none
    int32_t x = 0;                    // Origin
    int32_t y = 0;
};

// What a virtual display asks the server to show once its settings are applied.
struct VirtualDisplayTraits {
    std::string name;
    uint32_t vendor = 0;
    uint32_t product = 0;
    uint32_t serial = 0;
    std::vector<DisplayMode> modes;
};

class DisplayServer {
  public:
    virtual ~DisplayServer() = default;

    // Online displays in the server's list order.
    virtual std::vector<DisplayInfo> displays() const = 0;
    // Applies every change at once, or none: a refused completion changes nothing.
    virtual DisplayError applyConfiguration(const std::vector<ConfigurationChange>& changes) = 0;
    virtual DisplayError setMode(DisplayId display, const DisplayMode& mode) = 0;

    // Virtual displays: false from supportsVirtualDisplays() makes every creation fail.
    virtual bool supportsVirtualDisplays() const = 0;
    virtual DisplayId reserveDisplayId() = 0;
    virtual bool addVirtualDisplay(DisplayId id, const VirtualDisplayTraits& traits) = 0;
    virtual void removeVirtualDisplay(DisplayId id) = 0;

    virtual std::optional<float> brightness(DisplayId display) const = 0;
    virtual DisplayError setBrightness(DisplayId display, float value) = 0;

    // The current session's dictionary, or none when there is no session.
    virtual std::optional<foundation::ValueDictionary> sessionDictionary() const = 0;
    virtual DisplayError moveCursor(Point point) = 0;
    // Where the one cursor of the machine is (global coordinates), none when the server
    // does not track it.
    virtual std::optional<Point> cursorPosition() const { return std::nullopt; }
    // The product names ({locale: name}) the registry's display connection of a physical
    // display carries, when they are other than the display's own name under "en_US"; the
    // registry is written by drivers and may hold anything there.
    virtual std::optional<foundation::Value> registryProductNames(DisplayId) const {
        return std::nullopt;
    }
};

// The installed server, or null.
std::shared_ptr<DisplayServer> displayServer();
void installDisplayServer(std::shared_ptr<DisplayServer> server);

}  // namespace platform::screens
