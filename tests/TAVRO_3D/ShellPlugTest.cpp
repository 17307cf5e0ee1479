#include <thread>

#include "common/AppIdentifier.h"
#include "display/tavroDisplayManager.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Workspace.h"
#include "platform/screens/Screen.h"
#include "platform/sim/VirtualBootloader.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "tests/TAVRO_3D/ShellHarness.h"

namespace fd = platform::foundation;
using platform::sim::VirtualGlasses;
using Commands = std::vector<std::pair<uint16_t, uint16_t>>;

namespace {

class ShellPlugTest : public ShellHarness {
  protected:
    void SetUp() override {
        ShellHarness::SetUp();
        bootNamed("macbook");  // the glasses' screen comes up mirrored
        launch();
    }

    // Plugs or unplugs with the clock held, and waits until the delegate has handled it.
    void plugHeld(const std::shared_ptr<platform::sim::VirtualHidDevice>& device) {
        hold();
        const uint64_t before = shell::plugGeneration();
        plug(device);
        ASSERT_TRUE(runUntil([&] { return shell::plugGeneration() > before; }));
    }
    void unplugHeld(const std::shared_ptr<platform::sim::VirtualHidDevice>& device) {
        hold();
        const uint64_t before = shell::plugGeneration();
        unplug(device);
        ASSERT_TRUE(runUntil([&] { return shell::plugGeneration() > before; }));
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
        size_t screens = 0;
        bool glasses = false;
        for (const auto& screen : platform::screens::screens()) {
            ++screens;
            glasses = glasses || screen.localizedName.find("TAVRO") != std::string::npos;
        }
        return glasses && screens == 2;
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
    EXPECT_NE(delegate().glassDisplayID.load(), 0u);
    EXPECT_FALSE(delegate().isDfuUpdate.load());
    EXPECT_TRUE(alerts().empty());
}

TEST_F(ShellPlugTest, AnOfferedApplicationUpdateStopsTheSetUp) {
    mac_->backend().offerNewerVersion("99.0.0");
    auto pair = glasses("TAVRO2_FW_V1.65");
    plug(pair);
    ASSERT_TRUE(runUntil([&] { return delegate().appUpdateView.get() != nullptr; }));
    runFor(20);
    EXPECT_EQ(shownPanel(), shell::Panel::Home);
    EXPECT_EQ(countOf(commandsOf(pair), 0x0C, 4), 0u);
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
    std::atomic<int> successes{0};
    auto token = fd::NotificationCenter::defaultCenter().addObserver(
        common::AppIdentifier() + ".dfuUpdate_status", std::nullopt, nullptr,
        [&](const fd::Notification& note) {
            if (note.object.isBoolean() && note.object.asBool()) ++successes;
        });
    auto updated = glasses("TAVRO2_FW_V1.65");
    plug(updated);
    EXPECT_TRUE(runUntil([&] { return successes.load() == 1; }));
    token.reset();
    EXPECT_FALSE(delegate().isDfuUpdate.load());
    runFor(6);  // past the return-home delay: the plug-in cancelled it
    EXPECT_EQ(shownPanel(), shell::Panel::FirmwareUpdate);
    EXPECT_EQ(countOf(commandsOf(updated), 0x0C, 4), 0u);
}

TEST_F(ShellPlugTest, GlassesAlreadyInTheirBootloaderGoStraightToTheUpdate) {
    // The bootloader brings no screen: the wait must not wait for one.
    auto bootloader = std::make_shared<platform::sim::VirtualBootloader>(1);
    plug(bootloader);
    ASSERT_TRUE(runUntil([&] { return shownPanel() == shell::Panel::FirmwareUpdate; }, 30));
    EXPECT_TRUE(delegate().isDfuUpdate.load());
    EXPECT_TRUE(updateBegunWhenShown());
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
    EXPECT_NE(delegate().glassVersion.get().find("V-1.0"), std::string::npos);
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
    ASSERT_TRUE(delegate().glassStatus.load());
    release();
    ASSERT_TRUE(runUntil([&] { return countOf(commandsOf(pair), 6, 0) >= 1; }));
    runFor(20);
    const Commands commands = commandsOf(pair);
    EXPECT_EQ(countOf(commands, 0x0C, 4), 1u);
    EXPECT_EQ(countOf(commands, 6, 0), 1u);
    EXPECT_EQ(shownPanel(), shell::Panel::Start);
}

TEST_F(ShellPlugTest, StatusNoticesBackToBackLeaveTheLastOne) {
    // The home panel's display callback may post beside the glasses server.
    for (int i = 0; i < 20; ++i) {
        fd::NotificationCenter::defaultCenter().post(kGlassStatusChangeNotification,
                                                     fd::Value(int64_t{1}));
        fd::NotificationCenter::defaultCenter().post(kGlassStatusChangeNotification,
                                                     fd::Value(int64_t{0}));
    }
    runFor(1);
    EXPECT_FALSE(delegate().glassStatus.load());
    fd::NotificationCenter::defaultCenter().post(kGlassStatusChangeNotification,
                                                 fd::Value(int64_t{0}));
    fd::NotificationCenter::defaultCenter().post(kGlassStatusChangeNotification,
                                                 fd::Value(int64_t{1}));
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
    advance(0);
    EXPECT_EQ(shownPanel(), shell::Panel::FirmwareUpdate);
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
    EXPECT_EQ(alerts()[0].buttons, (std::vector<std::string>{"切换并退出App", "取消"}));
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
