// The foreground-application monitor, driven by the simulated Mac's workspace notices.

#include <map>

#include "BackendTestSupport.h"
#include "backend/AppMonitor.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "tests/support/InstalledSimMac.h"

using namespace backendtest;

using AppMonitorTest = BackendTest;

TEST_F(AppMonitorTest, StaysOverFiveSecondsWithGlassesAreReportedWhenTheyEnd) {
    auto clock = std::make_shared<fdn::ManualClock>();
    fdn::ScopedClock scoped(clock);
    test_support::InstalledSimMac mac;
    mac.boot(platform::sim::MachineProfile{}, home_.path());
    AppMonitor monitor;
    monitor.setUpAppMonitor();
    // Without glasses nothing is reported.
    mac->activateApplication("Xcode", "com.apple.dt.Xcode");
    clock->advanceSeconds(20);
    mac->terminateApplication("Xcode", "com.apple.dt.Xcode");
    AppDelegate::shared().glassStatus = true;
    mac->activateApplication("Safari", "com.apple.Safari");
    clock->advanceSeconds(4);  // too short
    mac->activateApplication("Mail", "com.apple.mail");
    clock->advanceSeconds(6);
    // This application's own activation ends Mail's stay and starts none of its own.
    mac->activateApplication("TAVRO 3D", fdn::Bundle::main().bundleIdentifier());
    clock->advanceSeconds(30);
    mac->activateApplication("Music", "com.apple.Music");
    clock->advanceSeconds(7);
    // Another application quitting does not end Music's stay; Music's own quit does.
    mac->terminateApplication("Xcode", "com.apple.dt.Xcode");
    clock->advanceSeconds(1);
    mac->terminateApplication("Music", "com.apple.Music");
    EXPECT_TRUE(drainUntil([&] { return mac->backend().receivedEvents().size() >= 2; }));
    std::map<std::string, double> stays;
    for (const auto& [event, at] : mac->backend().receivedEvents()) {
        EXPECT_EQ(event.at("eventType").asInt64(), 6);
        EXPECT_EQ(event.at("eventName").text(), "other_apps_monitor");
        stays[event.at("appName").text()] = event.at("duration").asDouble();
    }
    EXPECT_EQ(stays, (std::map<std::string, double>{{"Mail", 6.0}, {"Music", 8.0}}));
}
