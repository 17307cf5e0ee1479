#include <future>

#include "display/ScreenHelpers.h"
#include "display/VirtualDisplayRegistry.h"
#include "display/tavroDisplayManager.h"
#include "tests/display/DisplayHarness.h"

namespace {

class DisplayManager : public DisplayHarness {
  protected:
    std::shared_ptr<tavroDisplayManager> manager_ = std::make_shared<tavroDisplayManager>();
};

// Only a Mac mini needs the monitor dummy; it stands in for the screens while the Mac
// sleeps, and the only main display of the Mac is never disconnected.
TEST_F(DisplayManager, TheMonitorDummyOfAMacMiniThroughSleepAndDisconnects) {
    boot("macbook");
    manager_->createMonitorDummy();
    EXPECT_TRUE(manager_->isExecution);
    EXPECT_TRUE(DummyManager::dummies().empty());
    EXPECT_EQ(fdn::UserDefaults::standard().objectForKey("numOfDummyDisplays"), fdn::Value(0));
    auto& mac = boot("macmini");
    manager_->sleepNotification();  // without dummies: no display in the meantime
    EXPECT_TRUE(manager_->isSleep);
    EXPECT_TRUE(screens::screens().empty());
    manager_->wakeNotification();
    EXPECT_FALSE(manager_->isSleep);
    manager_->createMonitorDummy();
    auto monitor = DummyManager::findDummyByDefinitionId(0);
    ASSERT_TRUE(monitor);
    EXPECT_FALSE(monitor->isConnected);
    EXPECT_EQ(fdn::UserDefaults::standard().integerForKey("numOfDummyDisplays"), 1);
    manager_->sleepNotification();
    manager_->sleepNotification();  // a second sleep does nothing
    ASSERT_EQ(screenNames(), std::vector<std::string>{"TAVRO Monitor (sleep)"});
    EXPECT_FALSE(findHostScreen());
    manager_->wakeNotification();
    EXPECT_TRUE(screens::screens().empty());
    manager_->disableTempSleep();
    manager_->sleepNotification();
    EXPECT_TRUE(screens::screens().empty());
    manager_->wakeNotification();
    EXPECT_EQ(manager_->connectVirtualDisplays(), 0);
    plugGlasses();
    EXPECT_EQ(manager_->disconnectAllDummies(), 0);
    EXPECT_TRUE(monitor->isConnected);
    mac.displays().plugDisplay({"DELL P2422H", 4268, 41200, 9, {{1920, 1080, 60}}, 0});
    EXPECT_EQ(manager_->disconnectAllVirtualDisplays(), 0);
    EXPECT_FALSE(monitor->isConnected);
    monitor->associatedDisplayPrefsId = "elsewhere";
    EXPECT_EQ(manager_->connectAllVirtualDisplays(), -1);
    EXPECT_FALSE(monitor->isConnected);
}

TEST_F(DisplayManager, ConnectMonitorAndMakeMainWaitsForTheMonitorEvenWhenItFails) {
    boot("macmini-monitor");
    manager_->connectMonitorAndMakeMain();  // no dummy yet: nothing happens
    EXPECT_EQ(screenNames().size(), 1u);
    manager_->createMonitorDummy();
    // 2.5 s for the display, 0.5 s to make it main.
    EXPECT_GE(secondsTaken([&] { manager_->connectMonitorAndMakeMain(); }), 3.0);
    auto monitor = DummyManager::findDummyByDefinitionId(0);
    ASSERT_TRUE(monitor->isConnected);
    EXPECT_EQ(screens::mainDisplayId(), monitor->displayIdentifier);
    EXPECT_TRUE(fdn::UserDefaults::standard().boolForKey("isConnected1"));
    // A platform that cannot make virtual displays leaves the main display as it is.
    boot(R"({"model": "Macmini9,1", "virtualDisplays": false})");
    DummyManager::discardDummies();
    manager_->createMonitorDummy();
    EXPECT_GE(secondsTaken([&] { manager_->connectMonitorAndMakeMain(); }), 2.5);
    monitor = DummyManager::findDummyByDefinitionId(0);
    EXPECT_FALSE(monitor->isConnected);
    EXPECT_FALSE(monitor->virtualDisplay);
    EXPECT_EQ(virtualDisplayRegistry().count(), 0u);
}

// Asked for no display, or for the one already main, it does not wait: on a stopped clock
// a wait would never end.
TEST_F(DisplayManager, SetMainDisplayWithNothingToDoDoesNotWait) {
    boot("macbook");
    const uint32_t builtin = screens::mainDisplayId();
    auto stopped = std::make_shared<fdn::ManualClock>();
    fdn::ScopedClock scoped(stopped);
    auto calls = [&] { manager_->setMainDisplay({}), manager_->setMainDisplay(builtin); };
    auto done = std::async(std::launch::async, calls);
    EXPECT_EQ(done.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    stopped->advanceSeconds(1);  // lets a call that waited end
    EXPECT_EQ(screens::mainDisplayId(), builtin);
}

TEST_F(DisplayManager, ArrangeGlassDisplaysIsBounded) {
    auto& mac = boot("imac");
    uint32_t glasses = plugGlasses();
    AppDelegate::shared().glassStatus = true;
    manager_->arrangeGlassDisplays();
    EXPECT_EQ(info(glasses).origin, (screens::Point{2 * 2240, -2 * 1260}));
    int applied = mac.displays().completedConfigurations();
    // A platform that never shows the new origin: the configuration repeats, but not forever.
    auto config = screens::DisplayConfigRef();
    screens::beginDisplayConfiguration(config);
    screens::configureDisplayOrigin(config, glasses, 2240, 0);
    screens::completeDisplayConfiguration(config, screens::kConfigurePermanently);
    mac.displays().failNextCompletions(1000);
    manager_->arrangeGlassDisplays();
    EXPECT_EQ(info(glasses).origin, (screens::Point{2240, 0}));
    mac.displays().failNextCompletions(0);
    EXPECT_GT(mac.displays().completedConfigurations(), applied);
    AppDelegate::shared().modelType = 1;  // not in the web mode: left alone
    applied = mac.displays().completedConfigurations();
    manager_->moveTavroGlassPosition();
    fdn::MainLoop::drain();
    EXPECT_EQ(mac.displays().completedConfigurations(), applied);
}

// A screen's numbers from the display services and its product name from the registry's
// display connections, where two displays of one vendor and model differ by serial only.
TEST_F(DisplayManager, ScreenHelpersReadTheDisplayAndTheRegistry) {
    auto& mac = boot("macmini");  // a Mac mini: the monitor dummy is made
    const uint32_t unknown = screens::kUnknownDisplayNumber;
    mac.displays().plugDisplay({"Studio Display", 7789, 1234, 55, {{2560, 1440, 60}}, 0});
    mac.displays().plugDisplay({"Studio Display (2)", 7789, 1234, 56, {{2560, 1440, 60}}, 0});
    mac.displays().plugDisplay({"Generic", unknown, unknown, 0, {{1280, 1024, 60}}, 0});
    manager_->createMonitorDummy();
    manager_->connectAllVirtualDisplays();
    auto all = screens::screens();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(screenDisplayID(all[1]), displayNumberOf(all[1]));
    EXPECT_EQ(screenVendorNumber(all[1]), 7789u);
    EXPECT_EQ(screenModelNumber(all[1]), 1234u);
    EXPECT_EQ(screenSerialNumber(all[1]), 56u);
    EXPECT_EQ(screenDisplayName(all[0]), "Studio Display");
    EXPECT_EQ(screenDisplayName(all[1]), "Studio Display (2)");
    // No vendor, model or serial: the registry entry that lacks them too.
    EXPECT_FALSE(screenVendorNumber(all[2]) || screenModelNumber(all[2]) ||
                 screenSerialNumber(all[2]));
    EXPECT_EQ(screenDisplayName(all[2]), "Generic");
    // The virtual monitor has a name on screen but no display connection in the registry.
    ASSERT_EQ(all[3].localizedName, "TAVRO Monitor");
    EXPECT_EQ(screenDisplayName(all[3]), std::nullopt);
}

}  // namespace
