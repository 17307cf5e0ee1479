#pragma once
// The simulated Mac's display server: the built-in panel and external displays of the
// machine profile, the glasses' display while glasses are plugged in, and the virtual
// displays the application makes. Configurations apply atomically; un-mirroring a display
// places the freed displays to the right of the others; the display at (0, 0) is the main
// display. Every change is announced to the reconfiguration callbacks (on the main queue).
//
// Tests act on it: plug and unplug displays, lock the screen, make completions fail.
// Thread-safe.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Guarded.h"
#include "platform/foundation/Mutex.h"
#include "platform/screens/DisplayServer.h"
#include "platform/sim/DisplayProfile.h"

namespace platform::sim {

class SimDisplayServer final : public screens::DisplayServer {
  public:
    explicit SimDisplayServer(const MachineDisplays& profile = {});

    // The display the glasses bring: "TAVRO Glass", 1920 x 1080 and 3840 x 1080.
    static DisplayProfile glassesDisplay();

    // A physical display joins, mirroring the main display or extended to the right.
    screens::DisplayId plugDisplay(const DisplayProfile& display, bool mirrored = false,
                                   bool builtin = false);
    void unplugDisplay(screens::DisplayId id);
    // The lid: closing it takes the built-in panel offline, opening it brings the panel back
    // to the right of the others. An offline panel keeps its identifier and its brightness,
    // as a Mac's does, but its brightness can be neither read nor written.
    void setLidClosed(bool closed);

    void setScreenLocked(bool locked);
    void setSessionAvailable(bool available);
    // An entry the session dictionary carries from now on, in place of the server's own
    // (a lock entry of another kind than the platform's, for instance).
    void setSessionEntry(const std::string& key, foundation::Value value);
    // The product names the registry's connection of a display carries from now on, in
    // place of {"en_US": its name}.
    void setRegistryProductNames(screens::DisplayId id, foundation::Value names);
    // The next `count` completions fail and change nothing.
    void failNextCompletions(int count);
    int completedConfigurations() const;

    std::vector<screens::DisplayInfo> displays() const override;
    screens::DisplayError applyConfiguration(
        const std::vector<screens::ConfigurationChange>& changes) override;
    screens::DisplayError setMode(screens::DisplayId display,
                                  const screens::DisplayMode& mode) override;
    bool supportsVirtualDisplays() const override { return virtualDisplays_; }
    screens::DisplayId reserveDisplayId() override;
    bool addVirtualDisplay(screens::DisplayId id,
                           const screens::VirtualDisplayTraits& traits) override;
    void removeVirtualDisplay(screens::DisplayId id) override;
    std::optional<float> brightness(screens::DisplayId display) const override;
    screens::DisplayError setBrightness(screens::DisplayId display, float value) override;
    std::optional<foundation::ValueDictionary> sessionDictionary() const override;
    screens::DisplayError moveCursor(screens::Point point) override;
    std::optional<screens::Point> cursorPosition() const override;
    std::optional<foundation::Value> registryProductNames(screens::DisplayId id) const override;

  private:
    // Runs `change` on the display list under the lock and announces what it changed.
    template <class Change>
    auto mutate(Change change);
    void remove(screens::DisplayId id) TAVRO_REQUIRES(mutex_);

    const bool virtualDisplays_;
    mutable foundation::Mutex mutex_;
    std::vector<screens::DisplayInfo> displays_ TAVRO_GUARDED_BY(mutex_);
    // The built-in panel while the lid is closed.
    std::vector<screens::DisplayInfo> offline_ TAVRO_GUARDED_BY(mutex_);
    // Kept for offline panels too.
    std::vector<std::pair<screens::DisplayId, float>> brightness_ TAVRO_GUARDED_BY(mutex_);
    screens::DisplayId nextId_ TAVRO_GUARDED_BY(mutex_) = 1;
    bool locked_ TAVRO_GUARDED_BY(mutex_) = false;
    bool sessionAvailable_ TAVRO_GUARDED_BY(mutex_) = true;
    foundation::ValueDictionary sessionEntries_ TAVRO_GUARDED_BY(mutex_);
    std::map<screens::DisplayId, foundation::Value> productNames_ TAVRO_GUARDED_BY(mutex_);
    int failingCompletions_ TAVRO_GUARDED_BY(mutex_) = 0;
    int completed_ TAVRO_GUARDED_BY(mutex_) = 0;
    foundation::Guarded<screens::Point> cursor_;
};

}  // namespace platform::sim
