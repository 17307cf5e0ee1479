#pragma once
// The one place that builds the platform's backends for a run and installs them, before
// any thread of the application starts. A simulated run builds a SimMac from its profile
// and makes every area the application reaches the SimMac's: the display server and the
// interface's screens, audio, capture and permissions, the HID bus and serial ports,
// hidapi for the firmware updater (the simulated bus), the workspace, and the home folder
// (defaults, logs, the usage database, the device identifier) in a folder of the SimMac's
// own. A real run installs the real hidapi and this machine's home folder, and leaves the
// areas this machine has no backend for explicitly empty (no displays, no audio devices).
// Leaving, the backends are taken down again in reverse order.
//
// Main thread only; one PlatformBackends at a time.

#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Result.h"
#include "platform/sim/MachineProfile.h"
#include "platform/sim/SimMac.h"

namespace platform::sim {

struct BackendChoice {
    enum class Machine { Real, Simulated };
    Machine machine = Machine::Simulated;
    // Simulated runs: the profile and the name that names its home folder.
    MachineProfile profile;
    std::string machineName = "macbook";
    // Empty: the SimMac's own folder (see simMacHomeFolder); real runs: the user's home.
    std::string homeFolder;
    // Simulated runs: removes what an earlier run left in the home folder first.
    bool freshHome = false;
};

// The default home folder of a SimMac: "<temporary folder>/Tavro3D-SimMac-<user id>/<name>",
// the same for every run of one machine name, so that a second start of the application
// meets the first.
std::string simMacHomeFolder(const std::string& machineName);

class PlatformBackends {
  public:
    static foundation::Result<std::unique_ptr<PlatformBackends>> install(BackendChoice choice);
    ~PlatformBackends();
    PlatformBackends(const PlatformBackends&) = delete;
    PlatformBackends& operator=(const PlatformBackends&) = delete;

    bool isSimulated() const { return mac_ != nullptr; }
    // The SimMac of a simulated run, null for a real one.
    SimMac* mac() { return mac_.get(); }
    const std::string& homeFolder() const { return home_; }

  private:
    PlatformBackends() = default;
    std::string home_;
    std::unique_ptr<SimMac> mac_;
};

}  // namespace platform::sim
