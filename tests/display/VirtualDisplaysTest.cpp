#include "display/CreateVirtualDisplay.h"
#include "display/VirtualDisplayRegistry.h"
#include "display/tavroDisplayManager.h"
#include "platform/screens/Reconfiguration.h"
#include "tests/display/DisplayHarness.h"

namespace {

using VirtualDisplays = DisplayHarness;

const DummyDefinition kSixteenByNine{16, 9, 2, 1, 1, {60.0}, "16:9 (HD/4K/5K/6K)", false};
const DummyDefinition kMonitor = tavroDisplayManager::monitorDefinition();

TEST_F(VirtualDisplays, AppearInAndLeaveTheScreenList) {
    boot("macbook");
    fdn::MainLoop::drain();  // the machine's own displays coming up
    std::vector<std::pair<uint32_t, uint32_t>> callbacks;
    auto token = screens::registerReconfigurationCallback(
        [&](uint32_t id, uint32_t flags) { callbacks.emplace_back(id, flags); });
    Dummy dummy(kMonitor, 5, true);
    ASSERT_TRUE(dummy.isConnected);
    const uint32_t id = dummy.displayIdentifier;
    EXPECT_EQ(info(id).name, "TAVRO Monitor");
    EXPECT_EQ(info(id).vendor, 0xF0F0u);
    EXPECT_EQ(info(id).modes, (std::vector<screens::DisplayMode>{{1920, 1080, 60}}));
    // The virtual display is neither the glasses nor a host.
    EXPECT_EQ(findHostScreen()->localizedName, "Built-in Retina Display");
    EXPECT_TRUE(virtualDisplayRegistry().find(5));
    dummy.disconnect(false);
    EXPECT_FALSE(dummy.isConnected);
    EXPECT_EQ(screenNames().size(), 1u);
    EXPECT_FALSE(virtualDisplayRegistry().find(5));
    ASSERT_TRUE(fdn::MainLoop::runUntilSeconds([&] { return callbacks.size() >= 2; }, 5));
    EXPECT_EQ(callbacks, (decltype(callbacks){{id, screens::kDisplayAddFlag},
                                              {id, screens::kDisplayRemoveFlag}}));
    screens::removeReconfigurationCallback(token);
}

TEST_F(VirtualDisplays, ConnectAndSleepConnectRulesAndOneDisplayASerial) {
    boot("macmini");
    Dummy dummy(kSixteenByNine, 0, false);
    EXPECT_NE(dummy.serialNum, 0u);     // drawn at random
    EXPECT_FALSE(dummy.connect(true));  // a sleep connect needs an earlier sleep disconnect
    dummy.disconnect(false);            // never connected: still fine
    ASSERT_TRUE(dummy.connect(false));
    const uint32_t first = dummy.displayIdentifier;
    ASSERT_TRUE(dummy.connect(false));  // a connect cycle
    EXPECT_EQ(info(first).id, 0u);
    EXPECT_EQ(screens::screens().size(), 1u);
    dummy.disconnect(true);
    EXPECT_TRUE(dummy.connect(true));
    EXPECT_TRUE(dummy.isConnected);
    // Of two displays with the same serial only the later stays registered.
    Dummy first42(kSixteenByNine, 42, true), second42(kSixteenByNine, 42, true);
    EXPECT_TRUE(first42 == second42);
    EXPECT_EQ(virtualDisplayRegistry().find(42), second42.virtualDisplay);
    EXPECT_EQ(virtualDisplayRegistry().count(), 2u);
}

// Set-up cycles the connected dummies and gives known definitions back to the dummies that
// name them; storing writes what the next launch restores.
TEST_F(VirtualDisplays, SetupStoreAndDiscard) {
    boot("macmini");
    auto& defaults = fdn::UserDefaults::standard();
    auto stored = [&](const char* key) { return defaults.objectForKey(key); };
    DummyManager::storeDummies();
    EXPECT_EQ(stored("numOfDummyDisplays"), fdn::Value(0));
    EXPECT_TRUE(stored("serial1").isNull());
    EXPECT_EQ(DummyManager::createDummy(kMonitor, 0, 1624587166, true), 1);
    EXPECT_EQ(DummyManager::createDummy(kSixteenByNine, std::nullopt, 77, false), 2);
    EXPECT_EQ(DummyManager::createDummy({4, 3, 100, 1, 1, {60.0}, "Old", false}, 20, 12, false), 3);
    auto monitor = DummyManager::findDummyByDefinitionId(0);
    auto before = monitor->virtualDisplay;
    DummyManager::setupDummyDefinitions();
    EXPECT_TRUE(monitor->isConnected);
    EXPECT_NE(monitor->virtualDisplay, before);
    EXPECT_EQ(monitor->dummyDefinition, kMonitor);
    EXPECT_EQ(DummyManager::findDummyByDefinitionId(20)->dummyDefinition,
              DummyManager::dummyDefinitions().at(20));
    defaults.setInteger(5, "display2");
    DummyManager::storeDummies();
    EXPECT_EQ(defaults.integerForKey("numOfDummyDisplays"), 3);
    EXPECT_EQ(stored("display1"), fdn::Value(0));
    EXPECT_EQ(defaults.integerForKey("serial1"), 1624587166);
    EXPECT_EQ(stored("isConnected1"), fdn::Value(true));
    EXPECT_EQ(stored("associatedDisplayName1"), fdn::Value(""));
    EXPECT_TRUE(stored("display2").isNull());  // no definition: the old entry goes
    EXPECT_EQ(stored("isConnected2"), fdn::Value(false));
    EXPECT_EQ(stored("display3"), fdn::Value(20));
    monitor.reset(), before.reset();  // the test's own references go first
    DummyManager::discardDummies();
    EXPECT_TRUE(DummyManager::dummies().empty());
    EXPECT_EQ(DummyManager::dummyCounter(), 0);
    EXPECT_EQ(virtualDisplayRegistry().count(), 0u);
    EXPECT_TRUE(screens::screens().empty());
}

}  // namespace
