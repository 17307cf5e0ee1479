// Second-generation glasses at 1.60 are sent into their bootloader, programmed with the
// shipped image, and come back at 1.65.
#include <gtest/gtest.h>

#include <array>

#include "DfuHarness.h"
#include "glasses/DfuUpgrade.h"
#include "glasses/GlassCommands.h"
#include "glasses/RFDevice.h"
#include "platform/sim/VirtualGlasses.h"

namespace {

using platform::sim::VirtualGlasses;

class DfuWholeRoadTest : public DfuTest {};

TEST_F(DfuWholeRoadTest, GlassesAt160AreUpdatedTo165) {
    auto config = VirtualGlasses::secondGeneration();
    config.firmwareVersion = "TAVRO2_FW_V1.60";
    auto glasses = std::make_shared<VirtualGlasses>(config);
    plug(glasses);
    DfuNotices notices;

    // Sent as the glasses server sends it.
    auto handle = std::make_shared<platform::hid::Device>(
        glasses, std::make_shared<platform::hid::RunLoopDelivery>());
    std::array<uint8_t, 100> frame{};
    glass_cmd_enter_dfu(frame);
    ASSERT_EQ(RFDevice(hidDeviceFromIOHIDDevice(handle)).sendReport(frame, 2), 0);
    EXPECT_TRUE(awaitAttached(glasses.get(), false));
    ASSERT_TRUE(awaitAttached(glasses->bootloader().get(), true));

    EXPECT_EQ(run_glass_dfu_upgrade(), 0);
    EXPECT_TRUE(notices.of(".dfuUpdate_status").empty());
    EXPECT_FALSE(platform::sim::SimUsbBus::shared().isPlugged(*glasses->bootloader()));
    ASSERT_TRUE(awaitAttached(glasses.get(), true));

    // The version they answer with (their bytes are the virtual glasses' own tests).
    EXPECT_EQ(glasses->firmwareVersion(), "TAVRO2_FW_V1.65");
}

}  // namespace
