#include <cmath>
#include <limits>

#include "common/AppIdentifier.h"
#include "common/GlobalHelpers.h"
#include "common/TavroLocalizationHelper.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunningApplication.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Application.h"
#include "platform/ui/Popover.h"
#include "platform/ui/StatusItem.h"
#include "platform/ui/Window.h"
#include "tests/TAVRO_3D/ShellHarness.h"

namespace fd = platform::foundation;

namespace {

class ShellLaunchTest : public ShellHarness {};

TEST_F(ShellLaunchTest, FirstLaunchStoresTheDefaultsAndReportsTheInstallation) {
    boot("macbook");
    launch();

    auto& defaults = fd::UserDefaults::standard();
    EXPECT_EQ(defaults.objectForKey("ScreenModeUserDefaultsKey"), fd::Value(int64_t{0}));
    EXPECT_EQ(defaults.objectForKey("privacyScreenLockState_UserDefault"), fd::Value(int64_t{0}));
    EXPECT_FLOAT_EQ(defaults.floatForKey("depthScaleValue_UserDefault"), 0.01f);
    ASSERT_TRUE(awaitPostedEvents(3));
    EXPECT_EQ(postedEvents(), (std::vector<int64_t>{0, 1, 3}));
    EXPECT_EQ(logLinesWith("=== App Start ==="), 1u);
    EXPECT_FALSE(delegate().isOverseas.load());
    EXPECT_TRUE(delegate().isCPUARM.load());
    EXPECT_TRUE(storedEvents().empty());  // the table is there, and empty
    EXPECT_EQ(shownPanel(), shell::Panel::Home);

    // The quit item exists but the status item never shows it.
    EXPECT_FALSE(delegate().statusItem.get()->menu());
    EXPECT_EQ(delegate().appMenu.get()->items().size(), 1u);
}

TEST_F(ShellLaunchTest, SecondLaunchTakesTheStoredSettingsOver) {
    boot("macbook");
    ASSERT_TRUE(common::ensureDeviceID());  // an earlier run made the identifier
    auto& defaults = fd::UserDefaults::standard();
    defaults.setInteger(2, "ScreenModeUserDefaultsKey");
    defaults.setFloat(0.012f, "depthScaleValue_UserDefault");
    launch();

    EXPECT_EQ(delegate().modelType.load(), 2);
    EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.012f);
    ASSERT_TRUE(awaitPostedEvents(2));
    runFor(2);
    EXPECT_EQ(postedEvents(), (std::vector<int64_t>{1, 3}));
}

TEST_F(ShellLaunchTest, StoredSettingsOfTheWrongKindFallBackToTheirDefaults) {
    boot("macbook");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        fd::Value mode;
        fd::Value depth;
    };
    const std::vector<Case> cases = {
        {fd::Value(std::string("2")), fd::Value(std::string("0.012"))},
        {fd::Value(int64_t{7}), fd::Value(nan)},
        {fd::Value(1.5), fd::Value(-0.001)},
    };
    auto& defaults = fd::UserDefaults::standard();
    defaults.setObject(cases[0].mode, "ScreenModeUserDefaultsKey");
    defaults.setObject(cases[0].depth, "depthScaleValue_UserDefault");
    launch();
    EXPECT_EQ(delegate().modelType.load(), 0);
    EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.01f);
    // The later cases go through the same reading again, as a next launch would.
    for (size_t i = 1; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        defaults.setObject(cases[i].mode, "ScreenModeUserDefaultsKey");
        defaults.setObject(cases[i].depth, "depthScaleValue_UserDefault");
        delegate().modelType = 1;
        delegate().depthValue = 0.002f;
        delegate().runLaunchSequence();
        EXPECT_EQ(delegate().modelType.load(), 0);
        EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.01f);
        EXPECT_EQ(defaults.objectForKey("ScreenModeUserDefaultsKey"), fd::Value(int64_t{0}));
        EXPECT_FLOAT_EQ(defaults.floatForKey("depthScaleValue_UserDefault"), 0.01f);
    }
    // A float that is a whole mode and the deepest depth are taken as they are.
    defaults.setObject(fd::Value(1.0), "ScreenModeUserDefaultsKey");
    defaults.setObject(fd::Value(0.015f), "depthScaleValue_UserDefault");
    delegate().runLaunchSequence();
    EXPECT_EQ(delegate().modelType.load(), 1);
    EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.015f);
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

// Another copy listed under the same bundle identifier, started earlier.
class TwoCopies final : public fd::RunningApplicationRegistry {
  public:
    std::vector<fd::RunningApplication> runningApplicationsWithBundleIdentifier(
        const std::string& id) const override {
        return {{100, id}, currentApplication()};
    }
    fd::RunningApplication currentApplication() const override {
        return {200, fd::Bundle::main().bundleIdentifier()};
    }
    bool activate(const fd::RunningApplication& application) override {
        activated.push_back(application.processIdentifier);
        return true;
    }
    mutable std::vector<int64_t> activated;
};

TEST_F(ShellLaunchTest, ASecondCopyHandsOverToTheFirstAndQuitsWithoutCleanUp) {
    boot("macbook");
    auto registry = std::make_shared<TwoCopies>();
    fd::setRunningApplications(registry);
    launch();

    EXPECT_EQ(registry->activated, std::vector<int64_t>{100});
    EXPECT_TRUE(delegate().isAppOpen.load());
    EXPECT_TRUE(platform::ui::Application::shared().terminateRequested());
    EXPECT_EQ(logLinesWith("=== App Start ==="), 0u);
    EXPECT_FALSE(delegate().window.get());
    runFor(2);
    EXPECT_TRUE(postedEvents().empty());
    EXPECT_TRUE(storedEvents().empty());
}

TEST_F(ShellLaunchTest, WithoutScreenRecordingTheAlertOpensThePrivacyPaneAndQuits) {
    boot(R"({"model": "MacBookPro18,3", "cpuBrand": "Apple M1 Pro", "locale": "zh_CN",
             "permissions": {"screenRecording": false}})");
    answerAlerts(platform::ui::kAlertFirstButtonReturn);
    launch();
    ASSERT_TRUE(runUntil([] { return platform::ui::Application::shared().terminateRequested(); }));

    ASSERT_EQ(alerts().size(), 1u);
    EXPECT_EQ(alerts()[0].message, "录屏权限未开启");
    // The quit ran the clean-up.
    EXPECT_EQ(storedEvents(), std::vector<int64_t>{2});

    // Glasses are not watched in this run.
    auto pair = glasses("TAVRO2_FW_V1.65");
    plug(pair);
    runFor(5);
    EXPECT_FALSE(delegate().glassStatus.load());
    EXPECT_EQ(shownPanel(), shell::Panel::Home);
}

TEST_F(ShellLaunchTest, StatusItemClicksShowThePopoverOnlyForTheConnectedPanelOrTheExitScreen) {
    boot("macbook");
    launch();
    auto item = delegate().statusItem.get();
    auto popover = delegate().firstPopover.get();
    ASSERT_TRUE(item && popover);
    auto& application = platform::ui::Application::shared();
    auto click = [&](platform::ui::EventType type) {
        application.sendEvent(platform::ui::Event::mouse(type, {5, 5}, item->window()));
    };

    click(platform::ui::EventType::LeftMouseDown);
    click(platform::ui::EventType::LeftMouseUp);
    EXPECT_FALSE(popover->isShown());  // no glasses: nothing to show

    click(platform::ui::EventType::RightMouseDown);
    click(platform::ui::EventType::RightMouseUp);
    ASSERT_TRUE(popover->isShown());
    EXPECT_EQ(popover->contentViewController()->className(), "TavroExitAppViewController");
    auto firstExitScreen = popover->contentViewController();

    // A click in another application closes it.
    application.sendGlobalEvent(
        platform::ui::Event::mouse(platform::ui::EventType::LeftMouseDown, {900, 500}));
    EXPECT_FALSE(popover->isShown());
    click(platform::ui::EventType::RightMouseDown);
    click(platform::ui::EventType::RightMouseUp);
    EXPECT_NE(popover->contentViewController(), firstExitScreen);

    // With the connected panel on screen, a left click shows its popover at its size.
    delegate().glassStatus = true;
    delegate().window.get()->setContentViewController(
        shell::panelController(shell::Panel::Connected));
    popover->close();
    click(platform::ui::EventType::LeftMouseDown);
    click(platform::ui::EventType::LeftMouseUp);
    ASSERT_TRUE(popover->isShown());
    EXPECT_EQ(popover->contentViewController(), shell::connectedPopoverController());
    EXPECT_EQ(popover->contentSize(), shell::connectedPopoverController()->view()->frame().size);
    delegate().glassStatus = false;
}

TEST_F(ShellLaunchTest, ObserversKeepWhatTheirNoticesCarry) {
    boot("macbook");
    launch();
    auto& center = fd::NotificationCenter::defaultCenter();
    center.post("SystemVolumeListener_Notification_Name", fd::Value(0.4f));
    EXPECT_FLOAT_EQ(delegate().volumeValue_V2.load(), 0.4f);
    center.post("SystemVolumeListener_Notification_Name", fd::Value(int64_t{0}));  // muted
    EXPECT_FLOAT_EQ(delegate().volumeValue_V2.load(), 0.0f);

    const std::string displayStatus = common::AppIdentifier() + ".GlassDisplayStatus";
    center.post(displayStatus, fd::Value(int64_t{3}));
    EXPECT_EQ(delegate().glassDisplayStatus.load(), 3);
    center.post(displayStatus, fd::Value(std::string("3")));
    EXPECT_EQ(delegate().glassDisplayStatus.load(), 2);

    center.post("get_tavro_glass_version_NSNotificationName",
                fd::Value(std::string("TAVRO2_FW_V1.65")));
    EXPECT_EQ(delegate().glassVersion.get(), "TAVRO2_FW_V1.65");
}

TEST_F(ShellLaunchTest, AReopenBringsTheHiddenWindowBackAndChecksForUpdates) {
    boot("macbook");
    launch();
    auto window = delegate().window.get();
    window->close();
    EXPECT_FALSE(window->isVisible());
    const size_t queries = mac_->backend().updateQueries().size();
    platform::ui::Application::shared().reopen();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(delegate().window.get(), window);  // the same window, never released
    EXPECT_TRUE(runUntil([&] { return mac_->backend().updateQueries().size() == queries + 1; }));
    // With the window visible a reopen only brings it to the front.
    platform::ui::Application::shared().reopen();
    runFor(2);
    EXPECT_EQ(mac_->backend().updateQueries().size(), queries + 1);
}

}  // namespace
