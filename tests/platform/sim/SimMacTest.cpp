#include <gtest/gtest.h>

#include "platform/foundation/SystemInfo.h"
#include "platform/sim/SimMac.h"

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

TEST(SimMac, InstallsTheMachineAndPlugsItsGlasses) {
    auto parsed = parseMachineProfile(R"({
        "model": "Macmini9,1", "cpuBrand": "Apple M1", "locale": "en_US",
        "preferredLanguages": ["en-US"],
        "glasses": [{"kind": "gen2pro"}, {"kind": "gen1", "firmware": "TAVRO_FW_V1.20"},
                    {"kind": "wake", "vendorId": 4660, "productId": 22136}]})");
    ASSERT_TRUE(parsed);
    {
        SimMac mac(parsed.value());
        EXPECT_EQ(platform::foundation::sysctlString("hw.model"), "Macmini9,1");
        EXPECT_EQ(platform::foundation::appleLocale(), "en_US");
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
    EXPECT_NE(platform::foundation::sysctlString("hw.model"), "Macmini9,1");
}

}  // namespace
