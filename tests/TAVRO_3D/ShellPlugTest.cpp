#include <thread>

#include "common/AppIdentifier.h"
#include "display/tavroDisplayManager.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Workspace.h"
#include "platform/screens/Screen.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "tests/TAVRO_3D/ShellHarness.h"
#include "tests/support/NotificationRecorder.h"

namespace fd = platform::foundation;
using platform::sim::VirtualGlasses;
using Commands = std::vector<std::pair<uint16_t, uint16_t>>;

namespace {

class ShellPlugTest : public ShellHarness {
  protected:
    void SetUp() override {
        ShellHarness::SetUp();
        boot("macbook");  // the glasses' screen comes up mirrored
        launch();
    }

    // Plugs or unplugs with the clock held, and waits until the delegate has handled it.
    void plugHeld(const std::shared_ptr<platform::sim::VirtualHidDevice>& device, bool in = true) {
        hold();
        const uint64_t before = shell::plugGeneration();
        in ? plug(device) : unplug(device);
        ASSERT_TRUE(runUntil([&] { return shell::plugGeneration() > before; }));
    }
    void unplugHeld(const std::shared_ptr<platform::sim::VirtualHidDevice>& device) {
        plugHeld(device, false);
    }

    // True when `expected` occurs in `commands` in this order (others may lie between).
    static bool inOrder(const Commands& commands, const Commands& expected) {
        size_t next = 0;
        for (const auto& each : commands) {
            if (next < expected.size() && each == expected[next]) ++next;
        }
        return next == expected.size();
    }

    static bool glassesScreenStandsAlone() {
        const auto all = platform::screens::screens();
        return all.size() == 2 && std::any_of(all.begin(), all.end(), [](const auto& screen) {
                   return screen.localizedName.find("TAVRO") != std::string::npos;
               });
    }
};

TEST_F(ShellPlugTest, CurrentGlassesAreUnmirroredShownTheStartPanelAndSetUp) {
    auto pair = glasses("TAVRO2PRO_FW_V1.53", VirtualGlasses::secondGenerationPro());
    plug(pair);
    ASSERT_TRUE(runUntil([&] { return shownPanel() == shell::Panel::Start; }));
    ASSERT_TRUE(runUntil([&] { return countOf(commandsOf(pair), 6, 0) == 1; }));

    const Commands commands = commandsOf(pair);
    EXPECT_TRUE(inOrder(commands, {{0x0C, 1}, {8, 1}, {1, 9}, {0x0C, 4}, {5, 2}, {6, 0}}))
        << "IMU off, version, immersion, IMU offsets, wear info, wear detection off";
    EXPECT_EQ(countOf(commands, 0x0C, 4), 1u);
    EXPECT_EQ(delegate().glassVersion.get(), "TAVRO2PRO_FW_V1.53");
    EXPECT_TRUE(glassesScreenStandsAlone());
    EXPECT_TRUE(alerts().empty());
}

TEST_F(ShellPlugTest, FirstGenerationGlassesGetNoSecondGenerationCommands) {
    delegate().isOpen3D = false;
    auto pair = glasses("TAVRO_FW_V1.40", VirtualGlasses::firstGeneration());
    plug(pair);
    ASSERT_TRUE(runUntil([&] { return shownPanel() == shell::Panel::Start; }));
    runFor(3);
    const Commands commands = commandsOf(pair);
    EXPECT_GE(countOf(commands, 8, 1), 1u);
    // Their version arrived, so the stored volume went to them.
    EXPECT_GE(countOf(commands, 0x0B, 2), 1u);
    for (auto command :
         {std::pair<uint16_t, uint16_t>{0x0C, 1}, {1, 9}, {0x0C, 4}, {5, 2}, {6, 0}}) {
        EXPECT_EQ(countOf(commands, command.first, command.second), 0u) << command.first;
    }
}

TEST_F(ShellPlugTest, OutdatedGlassesGetTheUpdatePanelAndComingBackUpdatedReportSuccess) {
    auto old = glasses("TAVRO2_FW_V1.60");
    plug(old);
    ASSERT_TRUE(runUntil([&] { return shownPanel() == shell::Panel::FirmwareUpdate; }));
    EXPECT_TRUE(delegate().isDfuUpdate.load());
    EXPECT_FALSE(updateBegunWhenShown());  // the user starts it
    runFor(2);
    EXPECT_EQ(countOf(commandsOf(old), 0x0C, 4), 0u);

    // The update ran; the glasses leave and come back at the new version.
    delegate().isDfuUpdateStart = true;
    unplug(old);
    ASSERT_TRUE(runUntil([&] { return !delegate().glassStatus.load(); }));
    test_support::NotificationRecorder statuses({common::AppIdentifier() + ".dfuUpdate_status"});
    auto updated = glasses("TAVRO2_FW_V1.65");
    plug(updated);
    EXPECT_TRUE(runUntil([&] { return statuses.size() == 1; }));
    EXPECT_EQ(statuses.objects(), std::vector<fd::Value>{true});
    EXPECT_FALSE(delegate().isDfuUpdate.load());
    runFor(6);  // past the return-home delay: the plug-in cancelled it
    EXPECT_EQ(shownPanel(), shell::Panel::FirmwareUpdate);
    EXPECT_EQ(countOf(commandsOf(updated), 0x0C, 4), 0u);
}

TEST_F(ShellPlugTest, NoConnectedDeviceCountsAsNotTheBootloader) {
    // A server that never held glasses has no connected device.
    ASSERT_FALSE(shell::glassServer(delegate())->connectedDevice());
    EXPECT_FALSE(shell::connectedDeviceIsBootloader(delegate()));
    delegate().showFirmwareUpdatePanel();
    EXPECT_EQ(shownPanel(), shell::Panel::FirmwareUpdate);
    EXPECT_FALSE(updateBegunWhenShown());
}

TEST_F(ShellPlugTest, AnUnplugDuringTheWaitEndsTheSequenceAndGoesHome) {
    auto pair = glasses("TAVRO2_FW_V1.65");
    plugHeld(pair);
    unplugHeld(pair);
    ASSERT_TRUE(runUntil([&] { return shownPanel() == shell::Panel::Home; }));
    runFor(20);

    EXPECT_EQ(countOf(commandsOf(pair), 0x0C, 4), 0u);
    EXPECT_EQ(shownPanel(), shell::Panel::Home);
    ASSERT_TRUE(awaitPostedEvents(4));  // launch's three, and the mode on the unplug
    const auto posted = postedEvents();
    EXPECT_EQ(std::count(posted.begin(), posted.end(), 4), 1);
}

TEST_F(ShellPlugTest, UnplugGivesTheDimmedBuiltInScreenItsBrightnessBack) {
    auto pair = glasses("TAVRO2_FW_V1.65");
    plug(pair);
    ASSERT_TRUE(runUntil([&] { return shownPanel() == shell::Panel::Start; }));
    const float bright = builtinBrightness();
    ASSERT_GT(bright, 0);
    delegate().closeBuiltinBrightness();
    ASSERT_TRUE(runUntil([&] { return builtinBrightness() == 0; }));
    unplug(pair);
    ASSERT_TRUE(runUntil([&] { return shownPanel() == shell::Panel::Home; }));
    EXPECT_TRUE(runUntil([&] { return builtinBrightness() == bright; }));
}

TEST_F(ShellPlugTest, AQuickReplugGivesOneSetUp) {
    auto pair = glasses("TAVRO2_FW_V1.65");
    plugHeld(pair);
    unplugHeld(pair);
    plugHeld(pair);
    release();
    ASSERT_TRUE(runUntil([&] { return countOf(commandsOf(pair), 6, 0) >= 1; }));
    runFor(20);
    EXPECT_EQ(countOf(commandsOf(pair), 0x0C, 4), 1u);
    EXPECT_EQ(countOf(commandsOf(pair), 6, 0), 1u);
}

TEST_F(ShellPlugTest, StatusNoticesBackToBackLeaveTheLastOne) {
    // The home panel's display callback may post beside the glasses server.
    auto post = [](int64_t status) {
        fd::NotificationCenter::defaultCenter().post(kGlassStatusChangeNotification,
                                                     fd::Value(status));
    };
    for (int i = 0; i < 20; ++i) post(1), post(0);
    runFor(1);
    EXPECT_FALSE(delegate().glassStatus.load());
    post(0), post(1);
    runFor(1);
    EXPECT_TRUE(delegate().glassStatus.load());
}

TEST_F(ShellPlugTest, ALockedScreenHoldsThePlugInUntilItIsUnlocked) {
    mac_->displays().setScreenLocked(true);
    auto pair = glasses("TAVRO2_FW_V1.65");
    std::atomic<size_t> versionRequestsWhileLocked{99};
    std::thread unlocker([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (logLinesWith("屏幕锁定状态====(true)") < 4 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        versionRequestsWhileLocked = countOf(commandsOf(pair), 8, 1);
        mac_->displays().setScreenLocked(false);
    });
    plug(pair);
    const bool started = runUntil([&] { return shownPanel() == shell::Panel::Start; });
    unlocker.join();
    ASSERT_TRUE(started);
    EXPECT_GE(logLinesWith("屏幕锁定状态====(true)"), 4u);
    EXPECT_EQ(versionRequestsWhileLocked.load(), 0u);
}

TEST_F(ShellPlugTest, ReturnHomeWaitsFiveSecondsAfterAnUpdateStartedAndAReplugCancelsIt) {
    auto old = glasses("TAVRO2_FW_V1.60");
    plug(old);
    ASSERT_TRUE(runUntil([&] { return shownPanel() == shell::Panel::FirmwareUpdate; }));
    delegate().isDfuUpdateStart = true;

    unplugHeld(old);
    advance(0);  // the unplug's work runs, and starts the five seconds
    advance(4.9);
    EXPECT_EQ(shownPanel(), shell::Panel::FirmwareUpdate);
    advance(0.2);
    EXPECT_EQ(shownPanel(), shell::Panel::Home);

    // Back on the update panel; this time the glasses return within the five seconds.
    delegate().window.get()->setContentViewController(
        shell::panelController(shell::Panel::FirmwareUpdate));
    plugHeld(old);
    unplugHeld(old);
    advance(2);
    plugHeld(old);
    advance(4);
    EXPECT_EQ(shownPanel(), shell::Panel::FirmwareUpdate);
}

TEST_F(ShellPlugTest, GlassesLeftAsTheMainDisplayRaiseTheExtendedDisplayAlert) {
    // On an Intel Mac the check does not move the main display away from the glasses.
    const auto glassesId =
        mac_->displays().plugDisplay(platform::sim::SimDisplayServer::glassesDisplay());
    delegate().displayManager.get()->setMainDisplay(glassesId);
    delegate().isCPUARM = false;
    answerAlerts(platform::ui::kAlertSecondButtonReturn);
    EXPECT_FALSE(delegate().checkExtendedDisplay());
    ASSERT_TRUE(runUntil([&] { return alerts().size() == 1; }));
    EXPECT_EQ(alerts()[0].message, "TAVRO Glass 不是扩展显示器");
    EXPECT_FALSE(platform::ui::Application::shared().terminateRequested());

    answerAlerts(platform::ui::kAlertFirstButtonReturn);
    EXPECT_FALSE(delegate().checkExtendedDisplay());
    ASSERT_TRUE(runUntil([] { return platform::ui::Application::shared().terminateRequested(); }));
    const auto opened = fd::Workspace::shared().openedURLs();
    ASSERT_FALSE(opened.empty());
    EXPECT_NE(opened.back().find("preference.displays"), std::string::npos) << opened.back();

    // Apple silicon makes the Mac's own screen main instead, and the check passes.
    delegate().isCPUARM = true;
    EXPECT_TRUE(delegate().checkExtendedDisplay());
}

}  // namespace
