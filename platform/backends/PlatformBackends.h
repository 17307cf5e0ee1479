#pragma once
// The one place that chooses the platform's backends for a run, real or simulated, and
// installs them all, before any thread of the application starts. A simulated run builds a
// SimMac from its profile (the SimMac only models the machine) and makes every area the
// application reaches the SimMac's: the display server (with the cursor) and the
// interface's screens that follow it, audio, capture and its frames, the machine's system
// values, the HID bus's serial ports, hidapi for the firmware updater (the simulated bus),
// the backend address (the SimMac's server), the workspace, and the home folder (defaults,
// logs, the usage database, the device identifier) in a folder of the SimMac's own. A real
// run installs the real hidapi and this machine's home folder, and leaves the areas this
// machine has no backend for explicitly empty (no displays, no audio devices). No area is
// left to fall back to a default of its own.
//
// The platform areas know nothing of this factory; it sits above them and the simulation.
// Leaving, the SimMac goes first (its devices leave while its backends are still
// installed), then the backends are taken down and the home folder before the run is back.
//
// Main thread only; one PlatformBackends at a time.

#include <memory>
#include <string>

#include "platform/foundation/Result.h"
#include "platform/sim/MachineProfile.h"
#include "platform/sim/SimMac.h"

namespace platform::backends {

struct BackendChoice {
    enum class Machine { Real, Simulated };
    Machine machine = Machine::Simulated;
    // Simulated runs: the profile and the name that names its home folder.
    sim::MachineProfile profile;
    std::string machineName = "macbook";
    // Empty: the SimMac's own folder (see simMacHomeFolder); real runs: the user's home.
    std::string homeFolder;
    // Simulated runs: removes what an earlier run left in the home folder first.
    bool freshHome = false;
};

// The default home folder of a SimMac: "<temporary folder>/Tavro3D-SimMac-<user id>/<name>",
// the same for every run of one machine name, so that a second start of the application
// meets the first. A simulated run makes its folders readable by their user alone, and
// refuses a "Tavro3D-SimMac-<user id>" that is a link or another user's folder.
std::string simMacHomeFolder(const std::string& machineName);

class PlatformBackends {
  public:
    static foundation::Result<std::unique_ptr<PlatformBackends>> install(BackendChoice choice);
    ~PlatformBackends();
    PlatformBackends(const PlatformBackends&) = delete;
    PlatformBackends& operator=(const PlatformBackends&) = delete;

    bool isSimulated() const { return mac_ != nullptr; }
    // The SimMac of a simulated run, null for a real one.
    sim::SimMac* mac() { return mac_.get(); }
    const std::string& homeFolder() const { return home_; }

  private:
    PlatformBackends() = default;
    void installSimMac();
    void installReal();
    std::string home_;
    // The home folder before the run, back when it ends.
    std::string previousHome_;
    std::unique_ptr<sim::SimMac> mac_;
};

}  // namespace platform::backends
