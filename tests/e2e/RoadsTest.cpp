// The roads of the application, each the whole application on a simulated Mac playing one
// of the bundle's scenarios on a fast clock.
#include <gtest/gtest.h>

#include <algorithm>

#include "E2eSupport.h"
#include "appstate/AppDelegate.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Workspace.h"
#include "platform/screens/DisplayServer.h"
#include "platform/sim/VirtualBootloader.h"
#include "platform/sim/VirtualGlasses.h"

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
    auto result = e2e::playScenario("default", [&](app::RunView& run) {
        auto displays = displaysOf(run);
        const auto* glasses = displayNamed(displays, "TAVRO Glass");
        extended = glasses && glasses->mirrorOf == 0;
    });
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    EXPECT_TRUE(extended);
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

TEST(Roads, UnplugInTheMiddleOfAnUpdateReturnsHomeAfterFiveSeconds) {
    auto result = e2e::playScenario("unplug-during-update");
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
    auto result = e2e::playScenario("macmini-no-display", [&](app::RunView& run) {
        for (const auto& display : displaysOf(run)) {
            seen += display.name + "; ";
            if (display.isVirtual && display.name.find("Monitor") != std::string::npos)
                monitorIsMain = display.origin.x == 0 && display.origin.y == 0;
        }
    });
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    EXPECT_TRUE(monitorIsMain) << seen;
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

TEST(Roads, SleepAndWakeDuringTheAI3DMode) {
    auto result = e2e::playScenario("sleep-wake-ai3d");
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
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
    auto result = e2e::playScenario("backend-hanging");
    ASSERT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
}

}  // namespace
