// The foreground-application monitor, driven by the simulated Mac's workspace notices.

#include <map>

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
        monitor_.setUpAppMonitor();
    }
    void TearDown() override {
        monitor_.tearDownAppMonitor();
        mac_.reset();
        BackendTest::TearDown();
    }
    // The events the SimMac's backend got, once a wrongly sent further one would be there.
    std::vector<fdn::Value> events(size_t expected) {
        auto& server = mac_->backend();
        EXPECT_TRUE(waitFor([&] { return server.receivedEvents().size() >= expected; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        std::vector<fdn::Value> bodies;
        for (const auto& event : server.receivedEvents()) bodies.emplace_back(event.body);
        return bodies;
    }

    std::shared_ptr<fdn::ManualClock> clock_ = std::make_shared<fdn::ManualClock>();
    fdn::ScopedClock scoped_{clock_};
    std::unique_ptr<platform::sim::SimMac> mac_;
    AppMonitor monitor_;
};

TEST_F(AppMonitorTest, StaysOverFiveSecondsWithGlassesAreReportedWhenTheyEnd) {
    // Without glasses nothing is reported.
    mac_->activateApplication("Xcode", "com.apple.dt.Xcode");
    clock_->advanceSeconds(20);
    mac_->terminateApplication("Xcode", "com.apple.dt.Xcode");

    AppDelegate::shared().glassStatus = true;
    mac_->activateApplication("Safari", "com.apple.Safari");
    clock_->advanceSeconds(4);  // too short
    mac_->activateApplication("Mail", "com.apple.mail");
    clock_->advanceSeconds(6);
    // This application's own activation ends Mail's stay and starts none of its own.
    mac_->activateApplication("TAVRO 3D", fdn::Bundle::main().bundleIdentifier());
    clock_->advanceSeconds(30);
    mac_->activateApplication("Music", "com.apple.Music");
    clock_->advanceSeconds(7);
    // Another application quitting does not end Music's stay; Music's own quit does.
    mac_->terminateApplication("Xcode", "com.apple.dt.Xcode");
    clock_->advanceSeconds(1);
    mac_->terminateApplication("Music", "com.apple.Music");

    std::map<std::string, double> stays;
    for (const auto& event : events(2)) {
        EXPECT_EQ(event["eventType"].asInt64(), 6);
        EXPECT_EQ(event["eventName"].text(), "other_apps_monitor");
        stays[event["appName"].text()] = event["duration"].asDouble();
    }
    EXPECT_EQ(stays, (std::map<std::string, double>{{"Mail", 6.0}, {"Music", 8.0}}));
}
