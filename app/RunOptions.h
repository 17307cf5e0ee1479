#pragma once
// What a run of the application is told: the simulated Mac's profile ("--machine"), the
// scenario it plays ("--scenario"; the bundle's default scenario unless told otherwise),
// the clock's speed factor ("--speed") and where its pictures and log go ("--snapshots").
// Parsing is pure and never throws; a bad command line, or a request for help, is an Error
// whose description is the text to show (the usage included).

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Result.h"

namespace app {

struct RunOptions {
    std::string machine = "macbook";
    bool machineGiven = false;  // --machine was on the command line (wins over a scenario's)
    std::string scenarioPath;   // empty: the bundle's default scenario; "none": no scenario
    double speed = 1.0;
    std::string snapshotsFolder;  // empty: a new folder in the SimMac's home folder

    // Not on the command line: for whole-application tests.
    enum class Display { Automatic, Headless, Required };
    Display display = Display::Automatic;
    std::string homeFolder;  // empty: the SimMac's own home folder
    bool freshHome = false;
    bool handleSignals = true;              // Ctrl-C and SIGTERM quit through the termination
    bool echoLog = true;                    // the run log also goes to standard output
    std::optional<bool> quitAtScenarioEnd;  // default: only when headless
    // A Ctrl-C delivered at a moment of the start, for the process tests (the process entry
    // takes it from TAVRO3D_QUIT_SIGNAL_AT): "start", before the launch is queued; "launch",
    // inside the launch, before the delegate finishes launching. Empty: none.
    std::string quitSignalAt;
    // The quit, its main loop over, keeps this copy's lock until that many other copies have
    // asked it to come to the front (ten seconds at most), so that starts land while this
    // copy quits: for the process tests (the process entry takes it from
    // TAVRO3D_HOLD_QUIT_FOR_START, 1 when the variable is set without a count). 0: no hold.
    int holdQuitForStarts = 0;
    // How long a start waits for a quitting copy to end before it gives up, for the process
    // tests (the process entry takes it in milliseconds from TAVRO3D_QUITTING_COPY_WAIT_MS).
    // None: the registry's own patience.
    std::optional<std::chrono::milliseconds> quittingCopyWait;
};

inline constexpr const char* kRunOptionsErrorDomain = "Tavro3D.options";

platform::foundation::Result<RunOptions> parseRunOptions(const std::vector<std::string>& arguments);
std::string runOptionsUsage();

}  // namespace app
