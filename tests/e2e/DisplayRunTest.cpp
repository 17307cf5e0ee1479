// The application on a real X display (a private Xvfb with a tray host): its window, its
// tray icon and an alert appear there, and the window on the display looks as the headless
// run draws it; the run goes on after its scenario until it is quit. Runs as the ctests
// "e2e_display*"; skipped when Xvfb is missing or not asked.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "E2eSupport.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/FileSystem.h"
#include "platform/ui/Application.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/StatusItem.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "tests/support/TemporaryHome.h"
#include "tests/support/XvfbServer.h"

namespace {

namespace ui = platform::ui;

// The share of pixels of `window` (headless picture) that the display shows alike.
double likeness(const ui::PixelBuffer& display, const ui::PixelBuffer& window, int left, int top) {
    int alike = 0;
    for (int y = 0; y < window.height; ++y) {
        for (int x = 0; x < window.width; ++x) {
            const uint32_t a = window.pixelFromTop(x, y);
            const uint32_t b = display.pixelFromTop(left + x, top + y);
            alike += std::abs(ui::redOf(a) - ui::redOf(b)) <= 12 &&
                     std::abs(ui::greenOf(a) - ui::greenOf(b)) <= 12 &&
                     std::abs(ui::blueOf(a) - ui::blueOf(b)) <= 12;
        }
    }
    return window.isEmpty() ? 0 : static_cast<double>(alike) / (window.width * window.height);
}

// Of every eighth pixel in each direction.
int changedPixels(const ui::PixelBuffer& before, const ui::PixelBuffer& after) {
    int changed = 0;
    for (int y = 0; y < before.height; y += 8) {
        for (int x = 0; x < before.width; x += 8)
            changed += before.pixelFromTop(x, y) != after.pixelFromTop(x, y);
    }
    return changed;
}

// A run of `scenario` on the display DISPLAY names, on the fast clock, in `home`.
app::RunOptions displayRun(const test_support::TemporaryFolder& home, const std::string& scenario) {
    app::RunOptions options;
    options.scenarioPath = scenario;
    options.speed = e2e::kSpeed;
    options.display = app::RunOptions::Display::Required;
    options.homeFolder = home.path() + "/home";
    options.snapshotsFolder = home.path() + "/pictures";
    options.handleSignals = false;
    options.echoLog = false;
    return options;
}

TEST(DisplayRun, WindowTrayIconAndAlertAppearOnTheXDisplay) {
    if (!std::getenv("TAVRO_E2E_DISPLAY_TEST")) GTEST_SKIP() << "runs as the ctest e2e_display";
    test_support::XvfbServer server;
    if (!server.start(140, "1600x1000x24"))
        GTEST_SKIP() << "Xvfb is not installed or did not start";
    ::setenv("DISPLAY", server.display().c_str(), 1);
    const bool trayStarted = server.startTrayHost();

    test_support::TemporaryFolder home("tavro-e2e");
    auto options = displayRun(home, e2e::scenarioPath("screen-recording-denied"));
    options.quitAtScenarioEnd = true;

    bool windowShown = false, trayShown = false, trayHost = false;
    double alike = 0;
    ui::PixelBuffer finalDisplay;
    auto result = app::runApplication(options, [&](app::RunView& run) {
        auto backend = run.screen.inner();
        ASSERT_TRUE(backend);
        trayHost = backend->hasTrayHost();
        for (const auto& item : ui::StatusBar::system().items())
            trayShown = trayShown || backend->isTrayIconShown(*item);
        for (const auto& window : ui::Application::shared().orderedWindows()) {
            const auto& controller = window->contentViewController();
            if (!controller || controller->className() != "TavroHomeNewViewController") continue;
            windowShown = backend->isOnDisplay(*window);
            // The display takes a moment to show the window again where the dialog stood.
            const auto alerts = run.screen.record().alertDisplays;
            for (int i = 0; i < 30; ++i) {
                finalDisplay = backend->grabDisplay();
                if (alerts.empty() || changedPixels(alerts.front(), finalDisplay) > 100) break;
                platform::foundation::MainLoop::runUntil(
                    [] { return false; },
                    platform::foundation::Clock::fromSeconds(0.1 * e2e::kSpeed));
            }
            const auto& frame = window->frame();
            alike =
                likeness(finalDisplay, ui::renderWindow(*window), static_cast<int>(frame.origin.x),
                         finalDisplay.height - static_cast<int>(frame.maxY()));
        }
    });
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    EXPECT_TRUE(windowShown);
    EXPECT_GT(alike, 0.9) << "the window on the display looks as the headless picture";
    if (trayStarted) {
        EXPECT_TRUE(trayHost);
    }
    EXPECT_TRUE(trayShown);
    ASSERT_EQ(result.screen.alertDisplays.size(), 1u);
    // The dialog stood on the display when it was answered and is gone now.
    EXPECT_GT(changedPixels(result.screen.alertDisplays.front(), finalDisplay), 100);
    ::unsetenv("DISPLAY");
}

// On a display the application is its user's: the end of its scenario does not quit it, the
// user's quit does, and the run then ends with status 0. Runs as the ctest
// "e2e_display_until_quit" (a run of its own: one run per test process).
TEST(DisplayRunUntilQuit, TheApplicationOutlivesItsScenarioUntilItIsQuit) {
    if (!std::getenv("TAVRO_E2E_DISPLAY_TEST")) GTEST_SKIP() << "runs as a display ctest";
    test_support::XvfbServer server;
    if (!server.start(170, "1280x800x24")) GTEST_SKIP() << "Xvfb is not installed or did not start";
    ::setenv("DISPLAY", server.display().c_str(), 1);

    test_support::TemporaryFolder home("tavro-e2e");
    // Whether the run quits at the scenario's end is left to the run itself.
    const auto options = displayRun(home, e2e::writeScenario(home, R"({"name": "home", "steps": [
        {"do": "expectPanel", "panel": "TavroHomeNewViewController", "within": 30}]})"));

    std::atomic<bool> over{false};
    std::atomic<bool> outlived{false};
    std::thread user([&] {
        const auto passed = [&] {
            auto log = platform::foundation::readFile(options.snapshotsFolder + "/run.log");
            return log && std::string(log->begin(), log->end()).find("\"home\" passed") !=
                              std::string::npos;
        };
        test_support::waitUntil([&] { return over || passed(); }, 60);
        // Time enough, on the run's own clock, for a quit at the scenario's end to be over.
        platform::foundation::Clock::current().sleepForSeconds(20);
        outlived = passed() && !over;
        platform::foundation::mainQueue()->async([] { ui::Application::shared().terminate(); });
    });
    const auto result = app::runApplication(options);
    over = true;
    user.join();
    EXPECT_TRUE(outlived) << "the run was still going a moment after its scenario passed";
    EXPECT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    ::unsetenv("DISPLAY");
}

}  // namespace
