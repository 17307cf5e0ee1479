// The foreground-application monitor, driven by the simulated Mac's workspace notices.

#include "BackendTestSupport.h"
#include "backend/AppMonitor.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/sim/SimMac.h"

using namespace backendtest;

class AppMonitorTest : public BackendTest {
  protected:
    void SetUp() override {
        BackendTest::SetUp();
        mac_ = std::make_unique<platform::sim::SimMac>(platform::sim::MachineProfile{});
        scoped_.emplace(clock_);
        monitor_.setUpAppMonitor();
    }
    void TearDown() override {
        monitor_.tearDownAppMonitor();
        scoped_.reset();
        mac_.reset();
        BackendTest::TearDown();
    }
    // The SimMac's own backend server gets the monitor's events.
    platform::sim::SimBackendServer& macServer() { return mac_->backend(); }
    std::vector<fdn::ValueDictionary> otherAppEvents() {
        std::vector<fdn::ValueDictionary> events;
        for (const auto& event : macServer().receivedEvents()) events.push_back(event.body);
        return events;
    }
    // Long enough for an event wrongly sent to have arrived.
    static void settle() { std::this_thread::sleep_for(std::chrono::milliseconds(150)); }

    std::unique_ptr<platform::sim::SimMac> mac_;
    std::shared_ptr<fdn::ManualClock> clock_ = std::make_shared<fdn::ManualClock>();
    std::optional<fdn::ScopedClock> scoped_;
    AppMonitor monitor_;
};

TEST_F(AppMonitorTest, AStayOverFiveSecondsWithGlassesIsReportedAndAShorterOneIsNot) {
    AppDelegate::shared().glassStatus = true;
    EXPECT_EQ(monitor_.observerCount(), 2u);
    mac_->activateApplication("Safari", "com.apple.Safari");
    clock_->advanceSeconds(4);
    mac_->activateApplication("Mail", "com.apple.mail");
    EXPECT_EQ(monitor_.useAppName(), "Mail");
    clock_->advanceSeconds(6);
    // This application's own activation ends Mail's stay and starts none of its own.
    mac_->activateApplication("TAVRO 3D", fdn::Bundle::main().bundleIdentifier());
    EXPECT_EQ(monitor_.useAppName(), "");
    clock_->advanceSeconds(30);
    mac_->activateApplication("Notes", "com.apple.Notes");

    ASSERT_TRUE(waitFor([&] { return !otherAppEvents().empty(); }));
    settle();
    auto events = otherAppEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].at("eventType").asInt64(), 6);
    EXPECT_EQ(events[0].at("eventName").text(), "other_apps_monitor");
    EXPECT_EQ(events[0].at("appName").text(), "Mail");
    EXPECT_DOUBLE_EQ(events[0].at("duration").asDouble(), 6.0);
}

TEST_F(AppMonitorTest, NothingIsReportedWithoutGlassesAndQuittingEndsAStay) {
    mac_->activateApplication("Xcode", "com.apple.dt.Xcode");
    clock_->advanceSeconds(20);
    mac_->terminateApplication("Xcode", "com.apple.dt.Xcode");

    AppDelegate::shared().glassStatus = true;
    mac_->activateApplication("Music", "com.apple.Music");
    clock_->advanceSeconds(7);
    // Another application quitting does not end Music's stay.
    mac_->terminateApplication("Xcode", "com.apple.dt.Xcode");
    clock_->advanceSeconds(1);
    mac_->terminateApplication("Music", "com.apple.Music");
    EXPECT_DOUBLE_EQ(monitor_.endTimer(), 8.0 + 20.0);

    ASSERT_TRUE(waitFor([&] { return !otherAppEvents().empty(); }));
    settle();
    auto events = otherAppEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].at("appName").text(), "Music");
    EXPECT_DOUBLE_EQ(events[0].at("duration").asDouble(), 8.0);
}
