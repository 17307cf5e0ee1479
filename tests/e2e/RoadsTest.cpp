// The roads of the application, each the whole application on a simulated Mac playing one
// of the bundle's scenarios on a fast clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "E2eSupport.h"
#include "TAVRO_3D/TavroGlassConnectSuccessViewController.h"
#include "appstate/AppDelegate.h"
#include "backend/TavroAlamofireManager.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/Workspace.h"
#include "platform/screens/DisplayServer.h"
#include "platform/sim/VirtualBootloader.h"
#include "platform/sim/VirtualGlasses.h"
#include "platform/ui/Popover.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"
#include "stereo3d/TavroDepth3DViewController.h"
#include "stereo3d/TavroDepthCustomManager.h"
#include "tests/support/Waits.h"

namespace {

using platform::screens::DisplayInfo;

std::vector<DisplayInfo> displaysOf(app::RunView& run) {
    return run.backends.mac()->displays().displays();
}

const DisplayInfo* displayNamed(const std::vector<DisplayInfo>& displays, const std::string& name) {
    for (const auto& display : displays) {
        if (display.name == name) return &display;
    }
    return nullptr;
}

size_t timesShown(const app::RunResult& result, const std::string& panel) {
    return std::count(result.screen.panels.begin(), result.screen.panels.end(), panel);
}

TEST(Roads, LaunchShowsTheHomePanelAndWritesItsPicture) {
    auto result = e2e::playScenario("launch-home");
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    ASSERT_FALSE(result.screen.pictures.empty());
    EXPECT_NE(result.screen.pictures.front().find("TavroHomeNewViewController"), std::string::npos);
    EXPECT_EQ(result.homeFolder.find(std::getenv("HOME") ? std::getenv("HOME") : "\x01"),
              std::string::npos);
}

TEST(Roads, MirroredGlassesAreUnmirroredAndReachTheConnectedPanel) {
    bool extended = false;
    std::optional<bool> capturingAfterQuit;
    auto result = e2e::playScenario("default", [&](app::RunView& run) {
        auto displays = displaysOf(run);
        const auto* glasses = displayNamed(displays, "TAVRO Glass");
        extended = glasses && glasses->mirrorOf == 0;
        if (auto view = TavroDepthCustomManager::shared().deopth3DViewController())
            capturingAfterQuit = view->isCapturing();
    });
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    EXPECT_TRUE(extended);
    // The run quit in the AI-3D mode: the capture's threads do not outlive it.
    EXPECT_EQ(capturingAfterQuit, std::optional<bool>(false));
    EXPECT_EQ(timesShown(result, "TavroDFUUpdateViewController"), 0u);

    // The run ends with a picture of each window's last look, the AI-3D window's among them.
    EXPECT_TRUE(std::any_of(
        result.screen.pictures.begin(), result.screen.pictures.end(), [](const std::string& path) {
            return path.find("end-TavroDepth3DViewController") != std::string::npos;
        }));
}

TEST(Roads, FirmwareUpdateFrom160To165) {
    std::string version;
    auto result = e2e::playScenario("firmware-update", [&](app::RunView& run) {
        auto glasses =
            std::dynamic_pointer_cast<platform::sim::VirtualGlasses>(run.runner->device("glasses"));
        if (glasses) version = glasses->firmwareVersion();
    });
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    EXPECT_EQ(version, "TAVRO2_FW_V1.65");
    EXPECT_EQ(AppDelegate::shared().isDfuUpdate.load(), false);
}

// The update runs on a worker thread: the quit ends it before the process ends.
TEST(Roads, AQuitDuringAFirmwareUpdateEndsTheUpdateFirst) {
    int running = -1;
    auto result = e2e::playScenario("quit-during-update", [&](app::RunView&) {
        running = platform::foundation::BackgroundWork::running();
    });
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    EXPECT_EQ(running, 0);
}

TEST(Roads, GlassesInTheirBootloaderAtPlugInAreUpdated) {
    bool programmed = false;
    auto result = e2e::playScenario("bootloader-at-plug-in", [&](app::RunView& run) {
        auto bootloader = std::dynamic_pointer_cast<platform::sim::VirtualBootloader>(
            run.runner->device("bootloader"));
        programmed = bootloader && bootloader->programmingComplete();
    });
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    EXPECT_TRUE(programmed);
}

TEST(Roads, UnplugInTheMiddleOfAnUpdateReturnsHomeAfterFiveSecondsAndEndsTheUpdate) {
    // The panel is still there 4 s after the unplug and home by 7 s, around its 5 s: on a
    // clock eight times slower than the other roads', so that a busy machine's late wake-ups
    // stay well inside the second before the return.
    auto result = e2e::playScenario("unplug-during-update", nullptr, {}, e2e::kSpeed / 8);
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
}

TEST(Roads, ARePlugCancelsTheReturnHome) {
    auto result = e2e::playScenario("replug-during-update");
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    const auto& panels = result.screen.panels;
    auto update = std::find(panels.begin(), panels.end(), "TavroDFUUpdateViewController");
    EXPECT_EQ(std::find(update, panels.end(), "TavroHomeNewViewController"), panels.end())
        << "the re-plug cancelled the return to the home panel";
}

TEST(Roads, AQuickReplugGivesOneSetUp) {
    auto result = e2e::playScenario("quick-replug");
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    EXPECT_EQ(timesShown(result, "TavroHomeStartViewController"), 1u);
}

TEST(Roads, AMacMiniWithoutADisplayGetsTheMonitorVirtualDisplayAsMain) {
    bool monitorIsMain = false;
    std::string seen;
    platform::ui::Rect window, mainScreen;
    auto result = e2e::playScenario("macmini-no-display", [&](app::RunView& run) {
        for (const auto& display : displaysOf(run)) {
            seen += display.name + "; ";
            if (display.isVirtual && display.name.find("Monitor") != std::string::npos)
                monitorIsMain = display.origin.x == 0 && display.origin.y == 0;
        }
        window = AppDelegate::shared().window.get()->frame();
        mainScreen = platform::ui::Screen::screens().at(0).frame;
    });
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    EXPECT_TRUE(monitorIsMain) << seen;
    // The main window is wholly on the Monitor, as a user would see it there.
    EXPECT_EQ(window.intersection(mainScreen), window);
}

TEST(Roads, AMacMiniWithAMonitorNeedsNoVirtualDisplay) {
    bool anyVirtual = true;
    auto result = e2e::playScenario("macmini-monitor", [&](app::RunView& run) {
        auto displays = displaysOf(run);
        anyVirtual = std::any_of(displays.begin(), displays.end(),
                                 [](const DisplayInfo& d) { return d.isVirtual; });
    });
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    EXPECT_FALSE(anyVirtual);
}

TEST(Roads, ALockedScreenAtPlugInHoldsTheSetUpUntilUnlocked) {
    auto result = e2e::playScenario("locked-at-plug-in");
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
}

TEST(Roads, ADeniedScreenRecordingPermissionAlertsOpensItsSettingsAndQuits) {
    std::vector<std::string> opened;
    auto result = e2e::playScenario("screen-recording-denied", [&](app::RunView&) {
        opened = platform::foundation::Workspace::shared().openedURLs();
    });
    EXPECT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    EXPECT_EQ(result.screen.alerts.size(), 1u);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find("ScreenCapture"), std::string::npos) << opened[0];
    EXPECT_EQ(timesShown(result, "TavroHomeStartViewController"), 0u);
}

TEST(Roads, AnIntelMacReachesTheStartPanel) {
    auto result = e2e::playScenario("intel-mac");
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    EXPECT_FALSE(AppDelegate::shared().isCPUARM.load());
}

// Whether both eyes of the running AI-3D mode show a picture with something in it; false
// for eyes that show no picture, that is the AI-3D window's black. Any thread.
bool eyesShowPictures() {
    auto manager = AppDelegate::shared().depthManager.get();
    auto controller = manager ? manager->deopth3DViewController() : nullptr;
    if (!controller) return false;
    auto shows = [](const std::shared_ptr<MetalView::Surface>& eye) {
        auto picture = eye->picture();
        return picture && std::any_of(picture->argb.begin(), picture->argb.end(),
                                      [](uint32_t pixel) { return (pixel & 0xFFFFFF) != 0; });
    };
    return shows(controller->leftEyeSurface()) && shows(controller->rightEyeSurface());
}

bool eyesBlack() {
    auto manager = AppDelegate::shared().depthManager.get();
    auto controller = manager ? manager->deopth3DViewController() : nullptr;
    return controller && !controller->leftEyeSurface()->picture() &&
           !controller->rightEyeSurface()->picture();
}

// What the eyes showed around a sleep, seen by observers of the workspace's sleep and wake
// notices on the scenario's thread, which may wait there for the pipeline.
struct SleepWatch {
    std::atomic<bool> picturesBeforeSleep{false};
    std::atomic<bool> blackWhileAsleep{false};
    std::atomic<bool> picturesAfterWake{false};
    platform::foundation::Mutex mutex;
    std::vector<platform::foundation::Subscription> observers TAVRO_GUARDED_BY(mutex);

    void keep(platform::foundation::Subscription observer) {
        platform::foundation::MutexLock lock(mutex);
        observers.push_back(std::move(observer));
    }
    void end() {
        platform::foundation::MutexLock lock(mutex);
        observers.clear();
    }
};

TEST(Roads, SleepAndWakeDuringTheAI3DMode) {
    namespace fdn = platform::foundation;
    auto& workspace = fdn::NotificationCenter::workspaceCenter();
    SleepWatch watch;
    // Added before the application's own observers, so these run before its handlers: the
    // eyes show the main display as the screens go to sleep, and nothing as the Mac wakes
    // (before the screens do).
    watch.keep(workspace.addObserver(
        fdn::kWorkspaceScreensDidSleepNotification, std::nullopt, nullptr, [&](const auto&) {
            watch.picturesBeforeSleep = test_support::waitUntil(eyesShowPictures, 20);
            // Added now, after the application's: runs once its wake handler has.
            watch.keep(workspace.addObserver(
                fdn::kWorkspaceScreensDidWakeNotification, std::nullopt, nullptr, [&](const auto&) {
                    watch.picturesAfterWake = test_support::waitUntil(eyesShowPictures, 20);
                }));
        }));
    watch.keep(workspace.addObserver(fdn::kWorkspaceDidWakeNotification, std::nullopt, nullptr,
                                     [&](const auto&) { watch.blackWhileAsleep = eyesBlack(); }));
    auto result = e2e::playScenario("sleep-wake-ai3d");
    watch.end();
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    EXPECT_TRUE(watch.picturesBeforeSleep);
    EXPECT_TRUE(watch.blackWhileAsleep) << "the capture stops while the screens sleep";
    EXPECT_TRUE(watch.picturesAfterWake) << "the capture comes back after the wake";
}

TEST(Roads, FirstGenerationGlassesFollowTheVolumeKeys) {
    auto result = e2e::playScenario("gen1-volume-keys");
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    auto& delegate = AppDelegate::shared();
    EXPECT_EQ(delegate.volumeLevel.load(), 4) << "3, up, up, down";
    EXPECT_TRUE(delegate.isSoundOff.load());
}

TEST(Roads, ThePrivacyScreenIsUndoneOnQuit) {
    std::optional<float> after;
    auto result = e2e::playScenario("privacy-screen", [&](app::RunView& run) {
        auto& displays = run.backends.mac()->displays();
        for (const auto& display : displays.displays()) {
            if (display.builtin) after = displays.brightness(display.id);
        }
    });
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    ASSERT_TRUE(after);
    EXPECT_GT(*after, 0.0f) << "the built-in display has its brightness back";
    EXPECT_EQ(AppDelegate::shared().privacyScreenLockButtonState.load(), 1);
}

TEST(Roads, AnUpdateOfferedByTheBackendStopsTheSetUp) {
    auto result = e2e::playScenario("backend-offers-update");
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    EXPECT_EQ(timesShown(result, "TavroHomeStartViewController"), 0u);
    EXPECT_TRUE(AppDelegate::shared().appUpdateView.get());
}

TEST(Roads, ABackendThatIsDownDoesNotStopTheSetUp) {
    auto result = e2e::playScenario("backend-down");
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
}

TEST(Roads, ABackendThatHangsDoesNotStopTheSetUp) {
    // The requests' own time limits are real time; shortened, the check gives up sooner.
    TavroAlamofireManager::setTimeouts(0.5, 1);
    auto result = e2e::playScenario("backend-hanging");
    TavroAlamofireManager::setTimeouts(0, 0);
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
}

// What the glasses were told last, as they received it.
std::vector<uint8_t> lastCommandOf(app::RunView& run, const std::string& device) {
    auto glasses = run.runner ? run.runner->device(device) : nullptr;
    if (!glasses || glasses->outputReportCount() == 0) return {};
    return glasses->outputReports().back().bytes;
}

TEST(Roads, TheConnectedPopoverSteersThePanelAndItsExitButtonQuitsThroughTheCleanUp) {
    std::vector<uint8_t> lastCommand;
    bool gameMarked = false, webMarked = true, knobAtTheRightEnd = false;
    platform::foundation::Value storedMode, storedDepth;
    auto result = e2e::playScenario("connected-popover", [&](app::RunView& run) {
        lastCommand = lastCommandOf(run, "glasses");
        auto& defaults = platform::foundation::UserDefaults::standard();
        storedMode = defaults.objectForKey("ScreenModeUserDefaultsKey");
        storedDepth = defaults.objectForKey("depthScaleValue_UserDefault");
        auto panel = AppDelegate::shared().glassConnectSuccessViewController.get();
        if (!panel) return;
        auto game = panel->gameModelSelectedImageView.lock();
        auto web = panel->webModelSelectedImageView.lock();
        gameMarked = game && !game->isHidden();
        webMarked = !web || !web->isHidden();
        auto knob = panel->depthPointImgView.lock();
        auto bar = panel->depthView.lock();
        auto leading = panel->depthPointImgViewLeftLayoutConstraint.lock();
        knobAtTheRightEnd =
            knob && bar && leading &&
            leading->constant() + knob->frame().size.width > bar->frame().size.width;
    });
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    auto& delegate = AppDelegate::shared();
    EXPECT_EQ(delegate.modelType.load(), 1) << "the popover's game mode";
    EXPECT_EQ(storedMode, platform::foundation::Value(1));
    EXPECT_TRUE(gameMarked);
    EXPECT_FALSE(webMarked);
    EXPECT_EQ(delegate.depthValue.load(), 0.015f) << "the popover's depth bar at its right end";
    EXPECT_FLOAT_EQ(storedDepth.asFloat(), 0.015f);
    EXPECT_TRUE(knobAtTheRightEnd) << "the panel's knob follows the popover's";
    EXPECT_TRUE(delegate.isExit.load()) << "the exit button quits through the clean-up";
    EXPECT_EQ(lastCommand, e2e::threeDOffCommand());
}

TEST(Roads, ARightClickOnTheStatusItemOpensTheExitScreenWhoseButtonQuits) {
    std::string content;
    auto result = e2e::playScenario("exit-screen", [&](app::RunView&) {
        auto popover = AppDelegate::shared().firstPopover.get();
        if (popover && popover->contentViewController())
            content = popover->contentViewController()->className();
    });
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    EXPECT_EQ(content, "TavroExitAppViewController");
    EXPECT_TRUE(AppDelegate::shared().isExit.load());
}

}  // namespace
