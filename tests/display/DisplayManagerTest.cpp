#include "display/ScreenHelpers.h"
#include "display/tavroDisplayManager.h"
#include "tests/display/DisplayHarness.h"

namespace screens = platform::screens;

namespace {

using DisplayManager = DisplayHarness;

TEST_F(DisplayManager, MonitorDummyOnlyWhereTheMacNeedsIt) {
    boot("macbook");
    auto manager = std::make_shared<tavroDisplayManager>();
    manager->createMonitorDummy();
    EXPECT_TRUE(manager->isExecution);
    EXPECT_TRUE(DummyManager::dummies().empty());
    EXPECT_EQ(platform::foundation::UserDefaults::standard().objectForKey("numOfDummyDisplays"),
              platform::foundation::Value(0));

    boot("macmini");
    manager->createMonitorDummy();
    auto monitor = DummyManager::findDummyByDefinitionId(0);
    ASSERT_TRUE(monitor);
    EXPECT_FALSE(monitor->isConnected);
    EXPECT_EQ(monitor->serialNum, 1624587166u);
    EXPECT_EQ(platform::foundation::UserDefaults::standard().integerForKey("numOfDummyDisplays"),
              1);
}

TEST_F(DisplayManager, ConnectMonitorAndMakeMainOnAMacMini) {
    boot("macmini-monitor");
    auto manager = std::make_shared<tavroDisplayManager>();
    manager->connectMonitorAndMakeMain();  // no dummy yet: nothing happens
    EXPECT_EQ(screenNames().size(), 1u);

    manager->createMonitorDummy();
    double before = clockSeconds();
    manager->connectMonitorAndMakeMain();
    EXPECT_GE(clockSeconds() - before, 3.0);  // 2.5 s for the display, 0.5 s to make it main
    auto monitor = DummyManager::findDummyByDefinitionId(0);
    ASSERT_TRUE(monitor->isConnected);
    EXPECT_EQ(screens::mainDisplayId(), monitor->displayIdentifier);
    EXPECT_EQ(screenNames().front(), "TAVRO Monitor");
    EXPECT_TRUE(platform::foundation::UserDefaults::standard().boolForKey("isConnected1"));
}

TEST_F(DisplayManager, FailingMonitorStillWaitsButLeavesTheMainDisplay) {
    bootJson(R"({"model": "Macmini9,1", "virtualDisplays": false})");
    auto manager = std::make_shared<tavroDisplayManager>();
    manager->createMonitorDummy();
    double before = clockSeconds();
    manager->connectMonitorAndMakeMain();
    EXPECT_GE(clockSeconds() - before, 2.5);
    EXPECT_FALSE(DummyManager::findDummyByDefinitionId(0)->isConnected);
}

TEST_F(DisplayManager, DisconnectAllKeepsTheOnlyMainDisplayOfAMacMini) {
    auto& mac = boot("macmini");
    auto manager = std::make_shared<tavroDisplayManager>();
    manager->createMonitorDummy();
    EXPECT_EQ(manager->connectVirtualDisplays(), 0);
    plugGlasses();
    auto monitor = DummyManager::findDummyByDefinitionId(0);
    EXPECT_EQ(manager->disconnectAllDummies(), 0);
    EXPECT_TRUE(monitor->isConnected);

    platform::sim::DisplayProfile dell{"DELL P2422H", 4268, 41200, 9, {{1920, 1080, 60}}, 0};
    mac.displays().plugDisplay(dell);
    EXPECT_EQ(manager->disconnectAllVirtualDisplays(), 0);
    EXPECT_FALSE(monitor->isConnected);

    monitor->associatedDisplayPrefsId = "elsewhere";
    EXPECT_EQ(manager->connectAllVirtualDisplays(), -1);
    EXPECT_FALSE(monitor->isConnected);
}

TEST_F(DisplayManager, SharedInstanceIsNewEachTimeAndCyclesDummies) {
    boot("macmini");
    EXPECT_EQ(tavroDisplayManager::shared(), tavroDisplayManager::shared());
    DummyManager::createDummy(tavroDisplayManager::monitorDefinition(), 0, 3, true);
    auto monitor = DummyManager::findDummyByDefinitionId(0);
    auto display = monitor->virtualDisplay;
    auto a = tavroDisplayManager::sharedInstance();
    auto b = tavroDisplayManager::sharedInstance();
    EXPECT_NE(a, b);
    EXPECT_NE(monitor->virtualDisplay, display);
    EXPECT_TRUE(monitor->isConnected);
}

TEST_F(DisplayManager, SetMainDisplay) {
    boot("macbook");
    uint32_t glasses = plugGlasses();
    cancelMirroring(false, false);
    uint32_t builtin = screens::mainDisplayId();
    auto manager = std::make_shared<tavroDisplayManager>();

    double before = clockSeconds();
    manager->setMainDisplay(std::nullopt);
    manager->setMainDisplay(builtin);
    EXPECT_LT(clockSeconds() - before, 0.5);  // already main: no wait
    EXPECT_EQ(screens::mainDisplayId(), builtin);

    manager->setMainDisplay(glasses);
    EXPECT_EQ(screens::mainDisplayId(), glasses);
    EXPECT_EQ(info(builtin).origin, (screens::Point{4224, 0}));  // whatever its width
}

TEST_F(DisplayManager, ArrangeGlassDisplaysIsBounded) {
    auto& mac = boot("imac");
    uint32_t glasses = plugGlasses();
    auto manager = std::make_shared<tavroDisplayManager>();
    AppDelegate::shared().glassStatus = true;

    manager->arrangeGlassDisplays();
    EXPECT_EQ(info(glasses).origin, (screens::Point{2 * 2240, -2 * 1260}));
    int applied = mac.displays().completedConfigurations();

    // A platform that never shows the new origin: the configuration repeats, but not forever.
    auto config = screens::DisplayConfigRef();
    screens::beginDisplayConfiguration(config);
    screens::configureDisplayOrigin(config, glasses, 2240, 0);
    screens::completeDisplayConfiguration(config, 2);
    mac.displays().failNextCompletions(1000);
    manager->arrangeGlassDisplays();
    EXPECT_EQ(info(glasses).origin, (screens::Point{2240, 0}));
    mac.displays().failNextCompletions(0);
    EXPECT_GT(mac.displays().completedConfigurations(), applied);

    AppDelegate::shared().modelType = 1;  // not in the web mode: left alone
    int now = mac.displays().completedConfigurations();
    manager->moveTavroGlassPosition();
    platform::foundation::MainLoop::drain();
    EXPECT_EQ(mac.displays().completedConfigurations(), now);
}

TEST_F(DisplayManager, SleepMakesATemporaryDisplayOnlyWithDummies) {
    boot("macmini");
    auto manager = std::make_shared<tavroDisplayManager>();
    manager->sleepNotification();
    EXPECT_TRUE(manager->isSleep);
    EXPECT_TRUE(screens::screens().empty());
    manager->wakeNotification();
    EXPECT_FALSE(manager->isSleep);

    manager->createMonitorDummy();
    manager->sleepNotification();
    ASSERT_EQ(screenNames(), std::vector<std::string>{"TAVRO Monitor (sleep)"});
    EXPECT_EQ(screens::screens().front().frame.height, 1200);
    EXPECT_FALSE(findHostScreen());
    manager->sleepNotification();  // a second sleep does nothing
    EXPECT_EQ(screenNames().size(), 1u);
    manager->wakeNotification();
    EXPECT_TRUE(screens::screens().empty());

    manager->disableTempSleep();
    manager->sleepNotification();
    EXPECT_TRUE(screens::screens().empty());
}

TEST_F(DisplayManager, ScreenHelpersReadTheDisplayAndTheRegistry) {
    bootJson(desktopWith("Studio Display"));
    plugGlasses();
    auto studio = *findHostScreen();
    EXPECT_EQ(screenVendorNumber(studio), 7789u);
    EXPECT_EQ(screenModelNumber(studio), 1234u);
    EXPECT_EQ(screenSerialNumber(studio), 55u);
    EXPECT_EQ(screenDisplayName(studio), "Studio Display");

    auto& mac = bootJson(R"({"model": "Mac13,1"})");
    const uint32_t unknown = screens::kUnknownDisplayNumber;
    mac.displays().plugDisplay({"Generic", unknown, unknown, 0, {{1280, 1024, 60}}, 0});
    auto generic = screens::screens().front();
    EXPECT_EQ(screenDisplayID(generic), screens::mainDisplayId());
    EXPECT_FALSE(screenVendorNumber(generic));
    EXPECT_FALSE(screenModelNumber(generic));
    EXPECT_FALSE(screenSerialNumber(generic));
    EXPECT_EQ(screenDisplayName(generic), "Generic");
}

}  // namespace
