// The plug sequence on a launched shell: the set-up of each kind of glasses, the search for
// a glasses screen that comes late, the update offer and the return of updated glasses, an
// unplug in the middle (and the failed update's five seconds before home), the privacy
// screen and the extended-display check.
#include "TAVRO_3D/TavroHomeStartViewController.h"
#include "TAVRO_3D/TavroTemperatureDriftCalibrationView.h"
#include "common/AppIdentifier.h"
#include "display/tavroDisplayManager.h"
#include "glasses/GlassAudioVolume.h"
#include "localnet/TavroLocalServer.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Workspace.h"
#include "platform/ui/Event.h"
#include "tests/TAVRO_3D/ShellHarness.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/Waits.h"

namespace fd = platform::foundation;
using platform::sim::VirtualGlasses;

namespace {

using ShellPlugTest = LaunchedShell;
using HeadlessShellTest = ShellHarness;

// True when `expected` occurs in `commands` in this order (others may lie between).
bool inOrder(const Commands& commands, const Commands& expected) {
    size_t next = 0;
    for (const auto& each : commands) next += next < expected.size() && each == expected[next];
    return next == expected.size();
}

TEST_F(ShellPlugTest, CurrentGlassesAreNamedAndSetUpInOrderAndTheirUnplugUndoesThePrivacyScreen) {
    auto config = VirtualGlasses::secondGenerationPro();
    config.identity.product = "TAVRO Glass Pro";
    auto pair = glasses("TAVRO2PRO_FW_V1.53", config);
    plug(pair);
    ASSERT_TRUE(runUntilShown(shell::Panel::Start));
    // The run's first plug-in: the version came before the panel was first shown.
    EXPECT_EQ(delegate().homeStartViewController.get()->nameLabel.lock()->stringValue(),
              "TAVRO Glass Pro 已连接");
    ASSERT_TRUE(runUntil([&] { return sent(pair, 6, 0) == 1; }));
    const Commands commands = commandsOf(pair);
    EXPECT_TRUE(inOrder(commands, {{0x0C, 1}, {8, 1}, {1, 9}, {0x0C, 4}, {5, 2}, {6, 0}}))
        << "IMU off, version, immersion, IMU offsets, wear info, wear detection off";
    EXPECT_EQ(countOf(commands, 0x0C, 4), 1u);
    EXPECT_EQ(delegate().glassVersion.get(), "TAVRO2PRO_FW_V1.53");
    EXPECT_TRUE(alerts().empty());
    EXPECT_TRUE(runUntil([] { return glassAudioDevice() != 0; })) << "their volume is followed";
    EXPECT_EQ(TavroLocalServer::shareManager().imu_id(), 'p');
    const float bright = builtinBrightness();
    ASSERT_GT(bright, 0);
    delegate().closeBuiltinBrightness();
    ASSERT_TRUE(runUntil([&] { return builtinBrightness() == 0; }));
    // The lid is closed when the glasses go: the brightness comes back with the panel.
    mac_->displays().setLidClosed(true);
    unplug(pair);
    ASSERT_TRUE(runUntilShown(shell::Panel::Home));
    EXPECT_EQ(delegate().glassVersion.get(), "TAVRO2PRO_FW_V-1.0");
    EXPECT_EQ(TavroLocalServer::shareManager().imu_id(), 0);
    runFor(1);
    mac_->displays().setLidClosed(false);
    EXPECT_TRUE(runUntil([&] { return builtinBrightness() == bright; }));
}

TEST_F(ShellPlugTest, FirstGenerationGlassesGetNoSecondGenerationCommandsNorKeysOnceGone) {
    delegate().isOpen3D = false;
    auto pair = glasses("TAVRO_FW_V1.40", VirtualGlasses::firstGeneration());
    plug(pair);
    ASSERT_TRUE(runUntilShown(shell::Panel::Start));
    runFor(3);
    EXPECT_GE(sent(pair, 8, 1), 1u);
    EXPECT_GE(sent(pair, 0x0B, 2), 1u);  // their version arrived: the stored volume went out
    for (auto [command, sub] : Commands{{0x0C, 1}, {1, 9}, {0x0C, 4}, {5, 2}, {6, 0}})
        EXPECT_EQ(sent(pair, command, sub), 0u) << command;
    EXPECT_EQ(glassAudioDevice(), 0u) << "their volume is their own";
    // Gone, their version is "not read", too old for the volume command: a key changes
    // nothing.
    unplug(pair);
    ASSERT_TRUE(runUntilShown(shell::Panel::Home));
    EXPECT_EQ(delegate().glassVersion.get(), "TAVRO_FW_V-1.0");
    const int64_t level = delegate().volumeLevel.load();
    delegate().handleMediaKeyAt(platform::ui::Event::systemDefined(8, 0x00000B00), 1e12);
    EXPECT_EQ(delegate().volumeLevel.load(), level);
}

TEST_F(ShellPlugTest, OutdatedGlassesGetTheUpdatePanelAndComingBackUpdatedReportSuccess) {
    auto old = glasses("TAVRO2_FW_V1.60");
    plug(old);
    ASSERT_TRUE(runUntilShown(shell::Panel::FirmwareUpdate));
    EXPECT_TRUE(delegate().isDfuUpdate.load());
    EXPECT_FALSE(updateBegunWhenShown());  // the user starts it
    runFor(2);
    EXPECT_EQ(sent(old, 0x0C, 4), 0u);
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
    EXPECT_EQ(sent(updated, 0x0C, 4), 0u);
}

TEST_F(ShellPlugTest, AfterAnAbandonedUpdateTheNextGlassesAreANewPlugIn) {
    test_support::NotificationRecorder statuses({common::AppIdentifier() + ".dfuUpdate_status"});
    // Pulled out at the offer, and pulled out once the update had begun (the panel stays
    // for its 5 s first).
    for (bool begun : {false, true}) {
        SCOPED_TRACE(begun);
        auto old = glasses("TAVRO2_FW_V1.60");
        plug(old);
        ASSERT_TRUE(runUntilShown(shell::Panel::FirmwareUpdate));
        delegate().isDfuUpdateStart = begun;
        unplug(old);
        ASSERT_TRUE(runUntilShown(shell::Panel::Home));
        auto current = glasses("TAVRO2_FW_V1.65");
        plug(current);
        ASSERT_TRUE(runUntilShown(shell::Panel::Start));
        EXPECT_TRUE(runUntil([&] { return sent(current, 6, 0) == 1; })) << "no set-up";
        unplug(current);
        ASSERT_TRUE(runUntilShown(shell::Panel::Home));
    }
    EXPECT_EQ(statuses.size(), 0u) << "no update was confirmed";
}

// Glasses that never answer the version request; they note when each one came.
class SilentGlasses final : public VirtualGlasses {
  public:
    SilentGlasses() : VirtualGlasses(VirtualGlasses::secondGeneration()) {}
    std::vector<double> requestTimes() const {
        std::lock_guard lock(mutex_);
        return times_;
    }

  protected:
    void handleOutputReport(uint8_t id, std::span<const uint8_t> report) override {
        if (report.size() >= 12 && report[8] == 8 && report[10] == 1) {
            std::lock_guard lock(mutex_);
            times_.push_back(fd::Clock::toSeconds(fd::Clock::current().now().time_since_epoch()));
            return;
        }
        VirtualGlasses::handleOutputReport(id, report);
    }

  private:
    mutable std::mutex mutex_;
    std::vector<double> times_;
};

TEST_F(ShellPlugTest, AnUnansweredVersionRequestIsRepeatedEveryTwoSeconds) {
    auto silent = std::make_shared<SilentGlasses>();
    slowClock();
    plug(silent);
    ASSERT_TRUE(runUntil([&] { return silent->requestTimes().size() >= 5; }));
    // The first request is the plug-in's; the wait's come every 8 polls of 0.25 s. A busy
    // machine can only make a clock-driven interval longer, so one of them is exact.
    const auto times = silent->requestTimes();
    double shortest = 100;
    for (size_t i = 2; i < times.size(); ++i) {
        EXPECT_GE(times[i] - times[i - 1], 2.0 - 1e-6) << i;
        shortest = std::min(shortest, times[i] - times[i - 1]);
    }
    EXPECT_LT(shortest, 2.2);
    EXPECT_EQ(shownPanel(), shell::Panel::Home);  // no firmware check without a version
}

// Glasses that ignore the bootloader-entry command: the bootloader never comes.
class StubbornGlasses final : public VirtualGlasses {
  public:
    StubbornGlasses()
        : VirtualGlasses([] {
              auto config = VirtualGlasses::secondGeneration();
              config.firmwareVersion = "TAVRO2_FW_V1.60";
              return config;
          }()) {}

  protected:
    void enterBootloader() override {}
};

TEST_F(ShellPlugTest, TheUpdateWaitsFiveSecondsForTheBootloaderAfterItsCommand) {
    auto stubborn = std::make_shared<StubbornGlasses>();
    plug(stubborn);
    ASSERT_TRUE(runUntilShown(shell::Panel::FirmwareUpdate));
    slowClock();
    std::atomic<double> failedAt{0};
    auto clockSeconds = [] {
        return fd::Clock::toSeconds(fd::Clock::current().now().time_since_epoch());
    };
    auto failed = fd::NotificationCenter::defaultCenter().addObserver(
        common::AppIdentifier() + ".dfuUpdate_status", std::nullopt, nullptr,
        [&](const fd::Notification&) { failedAt = clockSeconds(); });
    hold();
    const double clickedAt = clockSeconds();
    delegate().dfuUpdateViewController.get()->updateButton.lock()->performClick();
    ASSERT_EQ(sent(stubborn, 9, 0), 1u);
    release();
    ASSERT_TRUE(runUntil([&] { return failedAt.load() != 0; }));
    // 1.25 s, then 20 looks 0.25 s apart; then the updater finds no bootloader. A busy
    // machine can only make the wait longer.
    EXPECT_GE(failedAt.load() - clickedAt, 6.25 - 1e-6);
    EXPECT_LT(failedAt.load() - clickedAt, 7.0);
}

// The glasses are pulled out while the panel waits for their bootloader, before it has
// joined the bus or once the panel has been shown again for it: no update starts, the
// bootloader gets no request, and the panel shows neither progress nor a failure.
TEST_F(ShellPlugTest, GlassesPulledOutDuringTheBootloaderWaitStartNoUpdate) {
    using test_support::NotificationRecorder;
    for (bool joined : {false, true}) {
        SCOPED_TRACE(joined);
        NotificationRecorder notices(NotificationRecorder::NamePrefix{},
                                     common::AppIdentifier() + ".dfuUpdate_");
        auto old = glasses("TAVRO2_FW_V1.60");
        plug(old);
        ASSERT_TRUE(runUntilShown(shell::Panel::FirmwareUpdate));
        auto panel = delegate().dfuUpdateViewController.get();
        // From here the clock moves only as the test moves it: the wait ends at the earliest
        // 1.25 s after the click.
        hold();
        panel->updateButton.lock()->performClick();
        ASSERT_EQ(sent(old, 9, 0), 1u);
        if (joined) {
            clock_->advanceSeconds(VirtualGlasses::kRestartSeconds);
            ASSERT_TRUE(runUntil([&] { return updateBegunWhenShown(); }));
        }
        old->retire();
        ASSERT_TRUE(runUntil([&] { return !delegate().glassStatus.load(); }));
        runFor(8);  // past the wait's 1.25 + 5 s and the panel's return home
        EXPECT_TRUE(notices.notices().empty()) << notices.names().front();
        EXPECT_EQ(old->bootloader()->bytesProgrammed(), 0u);
        EXPECT_EQ(shownPanel(), shell::Panel::Home);
        EXPECT_TRUE(panel->progressIndicator.lock()->isHidden());
        EXPECT_EQ(panel->updateImageView.lock()->image()->name(), "update-dfu");
    }
}

TEST_F(ShellPlugTest, TheCalibrationResetClearsTheFirstTwoUserDriftEntries) {
    auto config = VirtualGlasses::secondGeneration();
    config.userBias.fill({30.5f, 0.1f, -0.2f, 0.3f});
    auto pair = glasses("TAVRO2_FW_V1.65", config);
    plugHeld(pair);
    auto calibration = TavroTemperatureDriftCalibrationView::fromDescription();
    ASSERT_TRUE(calibration);
    calibration->resetButton.lock()->performClick();
    for (size_t entry = 0; entry < 3; ++entry) {
        const auto bias = pair->userBiasEntry(entry);
        const bool cleared = bias.temperature == 0 && bias.x == 0 && bias.y == 0 && bias.z == 0;
        EXPECT_EQ(cleared, entry < 2) << entry;
    }
    unplug(pair);  // ends the wait for the bias table
    runFor(1);
}

TEST_F(ShellPlugTest, NoConnectedDeviceCountsAsNotTheBootloader) {
    ASSERT_FALSE(glassServer(delegate())->connectedDevice());
    EXPECT_FALSE(glassServer(delegate())->connectedDeviceIsBootloader());
    delegate().showFirmwareUpdatePanel();
    EXPECT_EQ(shownPanel(), shell::Panel::FirmwareUpdate);
    EXPECT_FALSE(updateBegunWhenShown());
}

TEST_F(ShellPlugTest, AnUnplugDuringTheWaitEndsTheSequenceAndGoesHome) {
    auto pair = glasses("TAVRO2_FW_V1.65");
    // The privacy screen was switched on since the launch read its state.
    fd::UserDefaults::standard().setInteger(1, "privacyScreenLockState_UserDefault");
    plugHeld(pair);
    EXPECT_EQ(delegate().privacyScreenLockButtonState.load(), 1);
    plugHeld(pair, false);
    ASSERT_TRUE(runUntilShown(shell::Panel::Home));
    runFor(20);
    EXPECT_EQ(sent(pair, 0x0C, 4), 0u);
    EXPECT_EQ(shownPanel(), shell::Panel::Home);
    ASSERT_TRUE(awaitPostedEvents(4));  // launch's three, and the mode on the unplug
    const auto posted = postedEvents();
    EXPECT_EQ(std::count(posted.begin(), posted.end(), 4), 1);
}

TEST_F(ShellPlugTest, AnUpdateCheckAnsweredAfterAReplugLeavesTheSetUpToTheLatestPlugIn) {
    // Each plug-in's update check carries its plug-in into the sequence it starts: the
    // first check, answered only after the glasses went and came back, starts nothing.
    auto pair = glasses("TAVRO2_FW_V1.65");
    using Mode = platform::sim::SimBackendServer::Mode;
    mac_->backend().setMode(Mode::Hang);
    const size_t before = mac_->backend().requestCount();
    plugHeld(pair);
    plugHeld(pair, false);
    ASSERT_TRUE(runUntilShown(shell::Panel::Home));
    plugHeld(pair);
    ASSERT_TRUE(runUntil([&] { return mac_->backend().requestCount() >= before + 2; }));
    mac_->backend().setMode(Mode::Normal);
    release();
    ASSERT_TRUE(runUntilShown(shell::Panel::Start));
    ASSERT_TRUE(runUntil([&] { return sent(pair, 5, 2) >= 1; }));
    runFor(5);
    EXPECT_EQ(sent(pair, 0x0C, 4), 1u) << "the IMU offsets are asked for once";
    EXPECT_EQ(sent(pair, 5, 2), 1u) << "the wear information is asked for once";
}

TEST_F(HeadlessShellTest, AnUnplugDisconnectsTheMonitorVirtualDisplay) {
    // A Mac with no screen of its own that is not a Mac mini: nothing but the unplug
    // touches the Monitor.
    boot(R"({"model": "iMac21,1", "cpuBrand": "Apple M1", "locale": "zh_CN",
             "preferredLanguages": ["zh-Hans-CN"], "builtinDisplay": null,
             "externalDisplays": []})");
    launch();
    auto monitor = DummyManager::findDummyByDefinitionId(0);
    ASSERT_TRUE(monitor);
    auto pair = glasses("TAVRO2_FW_V1.65");
    plugHeld(pair);
    ASSERT_TRUE(monitor->connect(false));  // as the start button does
    plugHeld(pair, false);
    EXPECT_FALSE(monitor->isConnected);
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

TEST_F(ShellPlugTest, GlassesLeftAsTheMainDisplayRaiseTheExtendedDisplayAlert) {
    // On an Intel Mac the check does not move the main display away from the glasses.
    const auto glassesId =
        mac_->displays().plugDisplay(platform::sim::SimDisplayServer::glassesDisplay());
    delegate().displayManager.get()->setMainDisplay(glassesId);
    delegate().isCPUARM = false;
    answerAlerts(platform::ui::kAlertSecondButtonReturn);
    EXPECT_FALSE(delegate().checkExtendedDisplay());
    ASSERT_TRUE(runUntil([&] { return alerts().size() == 1; }));
    EXPECT_EQ(alerts()[0], "TAVRO Glass 不是扩展显示器");
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

namespace {

using platform::sim::SimDisplayServer;
using GlassScreenSearchTest = LaunchedShell;

// The test's clock, in seconds.
double clockSeconds() {
    return fd::Clock::toSeconds(fd::Clock::current().now().time_since_epoch());
}

TEST_F(GlassScreenSearchTest, OnAnArmMacAScreenFourSecondsLateIsFoundAndTheGlassesSetUpOnce) {
    ASSERT_TRUE(delegate().isCPUARM.load());
    auto& displays = mac_->displays();
    const int configurations = displays.completedConfigurations();
    auto pair = glasses("TAVRO2_FW_V1.65");
    plugHeld(pair);
    // The sequence's first turn un-mirrors the glasses' screen, which comes up mirrored; its
    // next, 1.25 s later, finds the screens apart, and the search begins.
    ASSERT_TRUE(runUntil([&] { return displays.completedConfigurations() > configurations; }));
    const double searchBegins = clockSeconds() + 1.25;
    const auto runUntilClock = [&](double seconds) {
        release();
        ASSERT_TRUE(runUntil([&] { return clockSeconds() >= seconds; }));
        hold();
    };
    // Before the search's first look, the screen goes for a while.
    runUntilClock(searchBegins + 0.5);
    for (const auto& display : displays.displays()) {
        if (display.name == SimDisplayServer::glassesDisplay().name)
            displays.unplugDisplay(display.id);
    }
    runUntilClock(searchBegins + 4);
    const auto late = displays.plugDisplay(SimDisplayServer::glassesDisplay());
    release();
    ASSERT_TRUE(runUntilShown(shell::Panel::Start));
    ASSERT_TRUE(runUntil([&] { return sent(pair, 6, 0) == 1; }));
    runFor(10);
    EXPECT_EQ(delegate().glassDisplayID.load(), late) << "the search gave up before it came";
    for (auto [command, subcommand] : Commands{{0x0C, 4}, {5, 2}, {6, 0}})
        EXPECT_EQ(sent(pair, command, subcommand), 1u) << command << " " << subcommand;
}

}  // namespace

namespace {

using FailedUpdateReturnHomeTest = LaunchedShell;

TEST_F(FailedUpdateReturnHomeTest, ThePanelGoesHomeAfterFiveSecondsNotBefore) {
    auto old = glasses("TAVRO2_FW_V1.60");
    plug(old);
    ASSERT_TRUE(runUntilShown(shell::Panel::FirmwareUpdate));
    delegate().isDfuUpdateStart = true;  // as the update button does
    plugHeld(old, false);                // from here the clock moves only as the test moves it
    platform::foundation::MainLoop::drain();
    ASSERT_EQ(shownPanel(), shell::Panel::FirmwareUpdate);
    const auto homeWithin = [&](double seconds) {
        return test_support::drainUntil([&] { return shownPanel() == shell::Panel::Home; },
                                        seconds);
    };
    test_support::advanceInSteps(*clock_, 4.5, 0.25);
    EXPECT_FALSE(homeWithin(0.3)) << "home before its five seconds";
    test_support::advanceInSteps(*clock_, 1, 0.25);
    EXPECT_TRUE(homeWithin(5));
}

}  // namespace
