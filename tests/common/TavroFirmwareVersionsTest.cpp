#include <gtest/gtest.h>

#include "common/TavroConfigManager.h"
#include "common/TavroFirmwareVersions.h"

namespace {

using namespace common;

TEST(TavroFirmwareVersions, EachTagBelongsToExactlyOneFamily) {
    EXPECT_EQ(firmwareFamilyOfVersion("TAVRO2PRO_FW_V1.53")->prefix, "TAVRO2PRO_FW_V");
    EXPECT_EQ(firmwareFamilyOfVersion("TAVRO2_FW_V1.65")->prefix, "TAVRO2_FW_V");
    EXPECT_EQ(firmwareFamilyOfVersion("TAVRO_FW_V1.40")->prefix, "TAVRO_FW_V");
    EXPECT_FALSE(firmwareFamilyOfVersion("V-1.0"));
    EXPECT_FALSE(firmwareFamilyOfVersion("tavro2_fw_v1.65"));
}

TEST(TavroFirmwareVersions, MissingVersionsAndTheirPlaceholders) {
    EXPECT_TRUE(isGlassVersionMissing("V-1.0"));
    EXPECT_TRUE(isGlassVersionMissing("TAVRO2_FW_V-1.0"));
    EXPECT_FALSE(isGlassVersionMissing("TAVRO2_FW_V1.0"));

    EXPECT_EQ(glassVersionAfterUnplug("TAVRO_FW_V1.40"), "TAVRO_FW_V-1.0");
    EXPECT_EQ(glassVersionAfterUnplug("TAVRO2PRO_FW_V1.53"), "TAVRO2PRO_FW_V-1.0");
    EXPECT_EQ(glassVersionAfterUnplug("SOMETHING"), "SOMETHING");
    EXPECT_TRUE(kFirmwareFamilyV1.updateTarget.empty());
    EXPECT_EQ(kFirmwareFamilyV2Pro.updateTarget, "TAVRO2PRO_FW_V1.53");
    EXPECT_EQ(TavroConfigManager().fileName, ".Tavro3DConfig.plist");
}

}  // namespace
