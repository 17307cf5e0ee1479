#pragma once
// Runs the whole application headless on a simulated Mac through one of the bundle's
// scenarios (or a test's own), on a fast clock, in a home folder of its own that is removed
// afterwards. The test may look at the SimMac and the delegate after the application quit,
// before the machine is taken down. One run per test process (ctest runs each test on its own).
// Also what the run tests compare with: the command the glasses get at a quit.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/ApplicationRun.h"
#include "glasses/GlassCommands.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/FileSystem.h"
#include "tests/support/TemporaryHome.h"

namespace e2e {

// Waits shrink twentyfold: a 5 s return-to-home takes a quarter of a second.
constexpr double kSpeed = 20;

// The bundle's scenario of that name, or the file a full path names.
inline std::string scenarioPath(const std::string& name) {
    if (name.starts_with('/')) return name;
    return platform::foundation::Bundle::main().bundlePath() + "/scenarios/" + name + ".json";
}

// A scenario of the test's own, written into `folder`: its path.
inline std::string writeScenario(const test_support::TemporaryFolder& folder,
                                 const std::string& json) {
    const std::string path = folder.file("scenario.json");
    EXPECT_FALSE(platform::foundation::writeFileAtomically(
        path, {reinterpret_cast<const uint8_t*>(json.data()), json.size()}));
    return path;
}

// `speed`: a scenario that tells close times apart runs slower, so that a busy machine's
// late wake-ups stay well inside its margins.
inline app::RunResult playScenario(const std::string& name,
                                   const std::function<void(app::RunView&)>& afterQuit = nullptr,
                                   const std::string& machine = {}, double speed = kSpeed) {
    static test_support::TemporaryFolder home("tavro-e2e");
    app::RunOptions options;
    options.scenarioPath = scenarioPath(name);
    if (!machine.empty()) {
        options.machine = machine;
        options.machineGiven = true;
    }
    options.speed = speed;
    options.display = app::RunOptions::Display::Headless;
    options.homeFolder = home.path() + "/home";
    options.snapshotsFolder = home.path() + "/pictures";
    options.freshHome = true;
    options.handleSignals = false;
    options.echoLog = std::getenv("TAVRO_E2E_ECHO") != nullptr;
    options.quitAtScenarioEnd = true;
    return app::runApplication(options, afterQuit);
}

// The 3D-off command as it reaches the glasses: a report of their 64 bytes.
inline std::vector<uint8_t> threeDOffCommand() {
    std::vector<uint8_t> frame(100, 0);
    glass_cmd_switch_3d(frame, false);
    frame.resize(64);
    return frame;
}

// The failures of a run, one per line, for assertion messages.
inline std::string failuresOf(const app::RunResult& result) {
    std::string text = result.error;
    for (const auto& failure : result.failures) text += (text.empty() ? "" : "\n") + failure;
    return text;
}

}  // namespace e2e
