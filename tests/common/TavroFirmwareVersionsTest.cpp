#include <gtest/gtest.h>

#include "common/TavroFirmwareVersions.h"

namespace {

using namespace common;

// Each tag belongs to exactly one family, whatever the order the families are tried in.
TEST(TavroFirmwareVersions, TagsFindTheirFamilyTheirUpdateTargetAndTheirPlaceholderAfterAnUnplug) {
    EXPECT_EQ(firmwareFamilyOfVersion("TAVRO2PRO_FW_V1.53")->prefix, "TAVRO2PRO_FW_V");
    EXPECT_EQ(firmwareFamilyOfVersion("TAVRO2_FW_V1.65")->prefix, "TAVRO2_FW_V");
    EXPECT_EQ(firmwareFamilyOfVersion("TAVRO_FW_V1.40")->prefix, "TAVRO_FW_V");
    EXPECT_FALSE(firmwareFamilyOfVersion("tavro2_fw_v1.65"));
    EXPECT_TRUE(isGlassVersionMissing("TAVRO2_FW_V-1.0"));
    EXPECT_FALSE(isGlassVersionMissing("TAVRO2_FW_V1.0"));
    EXPECT_EQ(glassVersionAfterUnplug("TAVRO2PRO_FW_V1.53"), "TAVRO2PRO_FW_V-1.0");
    EXPECT_EQ(glassVersionAfterUnplug("SOMETHING"), "SOMETHING");
    EXPECT_EQ(firmwareUpdateTarget("TAVRO2PRO_FW_V1.0"), dfuUpdateVersion_V2Pro);
    EXPECT_EQ(firmwareUpdateTarget("TAVRO2_FW_V1.0"), dfuUpdateVersion_V2);
    EXPECT_FALSE(firmwareUpdateTarget("TAVRO_FW_V1.0"));
}

}  // namespace
