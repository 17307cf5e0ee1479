#include <gtest/gtest.h>

#include "platform/audio/AudioHardware.h"
#include "platform/capture/CaptureServices.h"
#include "platform/capture/CaptureStream.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/net/BackendHosts.h"
#include "platform/screens/DisplayServer.h"
#include "platform/sim/SimMac.h"
#include "tests/support/DeviceBytes.h"
#include "tests/support/Waits.h"

using namespace platform::sim;

namespace {

TEST(MachineProfile, BadProfilesAreErrorsNotCrashes) {
    for (const char* bad :
         {"", "[]", "{\"model\": 3}", "{\"glasses\": {}}", "{\"glasses\": [{\"kind\": \"gen9\"}]}",
          "{\"glasses\": [{\"productId\": \"x\"}]}", "{\"preferredLanguages\": [1]}",
          "{\"model\": \"Mac"}) {
        auto parsed = parseMachineProfile(bad);
        EXPECT_FALSE(parsed) << bad;
    }
}

// The SimMac only models the machine: installing its parts is the run's factory's work, so a
// test that builds one changes nothing of the process but the simulated bus.
TEST(SimMac, PlugsItsGlassesAndInstallsNothing) {
    auto parsed = parseMachineProfile(R"({
        "model": "Macmini9,1", "cpuBrand": "Apple M1", "locale": "en_US",
        "preferredLanguages": ["en-US"],
        "glasses": [{"kind": "gen2pro"}, {"kind": "gen1", "firmware": "TAVRO_FW_V1.20"},
                    {"kind": "wake", "vendorId": 4660, "productId": 22136}]})");
    ASSERT_TRUE(parsed);
    {
        SimMac mac(parsed.value());
        EXPECT_NE(platform::foundation::sysctlString("hw.model"), "Macmini9,1");
        EXPECT_EQ(platform::screens::displayServer(), nullptr);
        EXPECT_EQ(platform::audio::audioHardware(), nullptr);
        EXPECT_EQ(platform::capture::captureMachine(), nullptr);
        EXPECT_EQ(platform::capture::frameSource(), nullptr);
        EXPECT_EQ(platform::net::BackendHosts::current().overseas,
                  platform::net::BackendHosts::deployment().overseas);
        auto devices = mac.profileDevices();
        ASSERT_EQ(devices.size(), 3u);
        EXPECT_EQ(platform::hid::HIDBus::system().devices().size(), 3u);
        auto pro = std::dynamic_pointer_cast<VirtualGlasses>(devices[0]);
        ASSERT_TRUE(pro);
        EXPECT_EQ(pro->config().firmwareVersion, "TAVRO2PRO_FW_V1.53");
        EXPECT_EQ(std::dynamic_pointer_cast<VirtualGlasses>(devices[1])->config().firmwareVersion,
                  "TAVRO_FW_V1.20");
        EXPECT_EQ(devices[2]->property("ProductID"), platform::foundation::Value(0x5678));
        EXPECT_TRUE(devices[0]->property("LocationID").isNumber());
        EXPECT_NE(devices[0]->property("LocationID"), devices[1]->property("LocationID"));
    }
    EXPECT_TRUE(platform::hid::HIDBus::system().devices().empty());
}

// Glasses that leave for their bootloader are followed by it a moment later, unless their
// machine has gone meanwhile: then nothing joins the bus any more (the process may be
// ending by then).
TEST(SimMac, GlassesRestartingWhenTheMachineGoesStayOffTheBus) {
    auto clock = std::make_shared<platform::foundation::ManualClock>();
    platform::foundation::ScopedClock scoped(clock);
    auto& bus = platform::hid::HIDBus::system();
    auto glasses = std::make_shared<VirtualGlasses>(VirtualGlasses::secondGeneration());
    const auto enterBootloader = test_support::frame(64, {{0, {0x40}}, {8, {9}}});
    auto restarted = [&] { return bus.isAttached(glasses->bootloader().get()); };
    {
        SimMac mac(parseMachineProfile("{}").value());
        mac.plugDevice(glasses);
        glasses->setReport(platform::hid::ReportType::Output, 2, enterBootloader);
        clock->advanceSeconds(VirtualGlasses::kRestartSeconds);
        ASSERT_TRUE(test_support::waitUntil(restarted));
        mac.unplugDevice(glasses->bootloader());
        mac.plugDevice(glasses);
        glasses->setReport(platform::hid::ReportType::Output, 2, enterBootloader);
    }
    clock->advanceSeconds(VirtualGlasses::kRestartSeconds);
    EXPECT_FALSE(test_support::waitUntil(restarted, 0.5));
    EXPECT_TRUE(bus.devices().empty());
}

}  // namespace
