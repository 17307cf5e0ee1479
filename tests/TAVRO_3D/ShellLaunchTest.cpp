// Launch: the settings stored or read back, the usage events, the machine's kind, the
// status item, the observers of the process's life, a reopen; the main-thread contract of
// the delegate and the panels.
#include <atomic>
#include <limits>

#include "common/AppIdentifier.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/RunningApplication.h"
#include "tests/TAVRO_3D/ShellHarness.h"

namespace fd = platform::foundation;
namespace ui = platform::ui;

namespace {

using ShellLaunchTest = ShellHarness;
using LaunchedShellTest = LaunchedShell;
constexpr const char* kModeKey = "ScreenModeUserDefaultsKey";
constexpr const char* kDepthKey = "depthScaleValue_UserDefault";

TEST_F(LaunchedShellTest, FirstLaunchStoresTheDefaultsAndReportsTheInstallation) {
    auto& defaults = fd::UserDefaults::standard();
    EXPECT_EQ(defaults.objectForKey(kModeKey), fd::Value(int64_t{0}));
    EXPECT_EQ(defaults.objectForKey("privacyScreenLockState_UserDefault"), fd::Value(int64_t{0}));
    EXPECT_FLOAT_EQ(defaults.floatForKey(kDepthKey), 0.01f);
    ASSERT_TRUE(awaitPostedEvents(3));
    EXPECT_EQ(postedEvents(), (std::vector<int64_t>{0, 1, 3}));
    EXPECT_FALSE(delegate().isOverseas.load());
    EXPECT_TRUE(delegate().isCPUARM.load());
    EXPECT_TRUE(storedEvents().empty());  // the table is there, and empty
    // The quit item exists but the status item never shows it.
    EXPECT_FALSE(delegate().statusItem.get()->menu());
    EXPECT_EQ(delegate().appMenu.get()->items().size(), 1u);
}

TEST_F(ShellLaunchTest, LaterLaunchesTakeTheStoredSettingsOrTheirDefaultsForOnesOfTheWrongKind) {
    boot("macbook");
    ASSERT_TRUE(common::ensureDeviceID());  // an earlier run made the identifier
    auto& defaults = fd::UserDefaults::standard();
    defaults.setInteger(2, kModeKey);
    defaults.setFloat(0.012f, kDepthKey);
    launch();
    EXPECT_EQ(delegate().modelType.load(), 2);
    EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.012f);
    ASSERT_TRUE(awaitPostedEvents(2));
    runFor(2);
    EXPECT_EQ(postedEvents(), (std::vector<int64_t>{1, 3}));
    // Each case goes through the same reading again, as a next launch would.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<fd::Value, fd::Value> wrong[] = {
        {fd::Value(std::string("2")), fd::Value(std::string("0.012"))},
        {fd::Value(int64_t{7}), fd::Value(nan)},
        {fd::Value(1.5), fd::Value(-0.001)},
    };
    for (const auto& [mode, depth] : wrong) {
        SCOPED_TRACE(mode.asDouble());
        defaults.setObject(mode, kModeKey);
        defaults.setObject(depth, kDepthKey);
        delegate().modelType = 1;
        delegate().depthValue = 0.002f;
        delegate().runLaunchSequence();
        EXPECT_EQ(delegate().modelType.load(), 0);
        EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.01f);
        EXPECT_EQ(defaults.objectForKey(kModeKey), fd::Value(int64_t{0}));
        EXPECT_FLOAT_EQ(defaults.floatForKey(kDepthKey), 0.01f);
    }
    // A float that is a whole mode and the deepest depth are taken as they are.
    defaults.setObject(fd::Value(1.0), kModeKey);
    defaults.setObject(fd::Value(0.015f), kDepthKey);
    delegate().runLaunchSequence();
    EXPECT_EQ(delegate().modelType.load(), 1);
    EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.015f);
}

// Another copy of the application in the list, whose answer to a hand-over the test
// chooses; one that refuses (it is quitting) may end meanwhile, as the registry waits for.
class OtherCopyRegistry final : public fd::RunningApplicationRegistry {
  public:
    OtherCopyRegistry(bool accepts, bool endsWhenRefusing)
        : accepts_(accepts), endsWhenRefusing_(endsWhenRefusing) {}
    std::vector<fd::RunningApplication> runningApplicationsWithBundleIdentifier(
        const std::string&) const override {
        if (ended_) return {currentApplication()};
        return {{1, fd::Bundle::main().bundleIdentifier()}, currentApplication()};
    }
    fd::RunningApplication currentApplication() const override {
        return {2, fd::Bundle::main().bundleIdentifier()};
    }
    bool activate(const fd::RunningApplication&) override {
        ended_ = !accepts_ && endsWhenRefusing_;
        return accepts_;
    }

  private:
    const bool accepts_, endsWhenRefusing_;
    std::atomic<bool> ended_{false};
};

// A copy started while another runs ends without launching, whether the other took the
// hand-over or neither took it nor ended in time: two copies never run on one Mac. Once the
// other has ended, the start is the copy that runs.
TEST_F(ShellLaunchTest, AStartEndsUnlessTheCopyItFoundHasEnded) {
    boot("macbook");
    for (const bool accepts : {true, false}) {
        SCOPED_TRACE(accepts ? "taken" : "neither taken nor ended");
        fd::setRunningApplications(std::make_shared<OtherCopyRegistry>(accepts, false));
        launch();
        EXPECT_TRUE(delegate().isAppOpen.load());
        EXPECT_TRUE(ui::Application::shared().terminateRequested());
        EXPECT_FALSE(delegate().window.get()) << "it launched";
        EXPECT_TRUE(storedEvents().empty()) << "the quit's clean-up ran";
        delegate().isAppOpen = false;
        ui::Application::shared().reset();
        fd::BackgroundWork::resume();
    }
    fd::setRunningApplications(std::make_shared<OtherCopyRegistry>(false, true));
    launch();
    fd::setRunningApplications(nullptr);
    EXPECT_FALSE(delegate().isAppOpen.load());
    EXPECT_FALSE(ui::Application::shared().terminateRequested());
    EXPECT_TRUE(delegate().window.get());
}

TEST_F(ShellLaunchTest, AnIntelMacOutsideChinaIsOverseasWithTheEnglishInterface) {
    boot(R"({"model": "MacBookPro16,1", "cpuBrand": "Intel(R) Core(TM) i9-9880H CPU @ 2.30GHz",
             "locale": "en_US", "preferredLanguages": ["en-US"]})");
    launch();
    EXPECT_TRUE(delegate().isOverseas.load());
    EXPECT_FALSE(delegate().isCPUARM.load());
    EXPECT_EQ(common::TavroLocalizationHelper::shared().language(),
              common::TavroLocalizationHelper::Language::English);
}

TEST_F(LaunchedShellTest, StatusItemClicksShowThePopoverOnlyForTheConnectedPanelOrTheExitScreen) {
    auto item = delegate().statusItem.get();
    auto popover = delegate().firstPopover.get();
    ASSERT_TRUE(item && popover);
    auto& application = ui::Application::shared();
    auto click = [&](bool right) {
        using T = ui::EventType;
        for (T type : {right ? T::RightMouseDown : T::LeftMouseDown,
                       right ? T::RightMouseUp : T::LeftMouseUp})
            application.sendEvent(ui::Event::mouse(type, {5, 5}, item->window()));
    };
    click(false);
    EXPECT_FALSE(popover->isShown());  // no glasses: nothing to show
    click(true);
    ASSERT_TRUE(popover->isShown());
    EXPECT_EQ(popover->contentViewController()->className(), "TavroExitAppViewController");
    auto firstExitScreen = popover->contentViewController();
    // A click in another application closes it; the next one shows a new exit screen.
    application.sendGlobalEvent(ui::Event::mouse(ui::EventType::LeftMouseDown, {900, 500}));
    EXPECT_FALSE(popover->isShown());
    click(true);
    EXPECT_NE(popover->contentViewController(), firstExitScreen);
    // With the connected panel on screen, a left click shows its popover at its size.
    delegate().glassStatus = true;
    delegate().window.get()->setContentViewController(
        shell::panelController(shell::Panel::Connected));
    popover->close();
    click(false);
    ASSERT_TRUE(popover->isShown());
    EXPECT_EQ(popover->contentViewController(), shell::connectedPopoverController());
    EXPECT_EQ(popover->contentSize(), shell::connectedPopoverController()->view()->frame().size);
    delegate().glassStatus = false;
}

TEST_F(LaunchedShellTest, ObserversKeepWhatTheirNoticesCarry) {
    auto post = [](const std::string& name, fd::Value object) {
        fd::NotificationCenter::defaultCenter().post(name, std::move(object));
    };
    post("SystemVolumeListener_Notification_Name", fd::Value(0.4f));
    EXPECT_FLOAT_EQ(delegate().volumeValue_V2.load(), 0.4f);
    post("SystemVolumeListener_Notification_Name", fd::Value(int64_t{0}));  // muted
    EXPECT_FLOAT_EQ(delegate().volumeValue_V2.load(), 0.0f);
    const std::string displayStatus = common::AppIdentifier() + ".GlassDisplayStatus";
    post(displayStatus, fd::Value(int64_t{3}));
    EXPECT_EQ(delegate().glassDisplayStatus.load(), 3);
    post(displayStatus, fd::Value(std::string("3")));
    EXPECT_EQ(delegate().glassDisplayStatus.load(), 2);
}

TEST_F(LaunchedShellTest, AReopenBringsTheHiddenWindowBackAndChecksForUpdates) {
    auto window = delegate().window.get();
    window->close();
    EXPECT_FALSE(window->isVisible());
    const size_t queries = mac_->backend().updateQueries().size();
    ui::Application::shared().reopen();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(delegate().window.get(), window);  // the same window, never released
    EXPECT_TRUE(runUntil([&] { return mac_->backend().updateQueries().size() == queries + 1; }));
    // With the window visible a reopen only brings it to the front.
    ui::Application::shared().reopen();
    runFor(2);
    EXPECT_EQ(mac_->backend().updateQueries().size(), queries + 1);
}

// A call from another thread stops the run where it is made instead of racing.
TEST(ShellThreadDeathTest, TheDelegatesAndPanelsMainThreadOperationsStopOnAnotherThread) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(std::thread([] { AppDelegate::shared().showMainWindow(); }).join(),
                 "main thread only: showMainWindow");
    EXPECT_DEATH(
        {
            auto panel = std::make_shared<TavroDFUUpdateViewController>();
            std::thread([&] { panel->resetDfuView(); }).join();
        },
        "main thread only: resetDfuView");
}

}  // namespace
