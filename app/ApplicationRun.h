#pragma once
// One run of the whole application, as the process entry makes it: the clock at the asked
// speed, every platform backend through the factory (the simulated Mac of the profile, its
// own home folder), the display (a real one when DISPLAY is set, else headless) with the
// screen recorder in front of it, the running-application registry that keeps one copy per
// home folder, the quit signals, the delegate's launch on the main loop, and the scenario.
// It returns when the application has quit (or, headless, when its scenario is over).
//
// Main thread only; one run at a time per process (the delegate is process-wide).

#include <functional>
#include <string>
#include <vector>

#include "app/RunOptions.h"
#include "platform/backends/PlatformBackends.h"
#include "platform/sim/ScenarioRunner.h"
#include "platform/sim/ScreenRecorder.h"

namespace app {

struct RunResult {
    // 0 quit normally (or handed over to the copy that runs); 1 the scenario failed; 2 the
    // run could not start (also a start that gave up waiting for a quitting copy to end)
    int exitStatus = 0;
    std::string error;                  // why it could not start
    std::vector<std::string> failures;  // the scenario's unmet expectations
    bool duplicate = false;             // handed over to a copy already running
    std::string homeFolder;
    std::string snapshotsFolder;
    // Why the run log misses lines (a full disk); empty when it holds them all. The status
    // stays the scenario's: the application's run is not the worse for its log.
    std::string logFailure;
    platform::sim::ScreenRecorder::Record screen;
};

// What a test may look at after the main loop has ended, before the backends go.
struct RunView {
    platform::backends::PlatformBackends& backends;
    platform::sim::ScenarioRunner* runner;  // null without a scenario
    platform::sim::ScreenRecorder& screen;
};

RunResult runApplication(const RunOptions& options,
                         const std::function<void(RunView&)>& afterQuit = nullptr);

}  // namespace app
