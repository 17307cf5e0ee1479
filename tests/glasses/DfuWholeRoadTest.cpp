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

// Sends one command frame to the glasses as the glasses server does.
int32_t sendCommand(const std::shared_ptr<VirtualGlasses>& glasses,
                    int32_t (*build)(std::span<uint8_t>)) {
    auto handle = std::make_shared<platform::hid::Device>(
        glasses, std::make_shared<platform::hid::RunLoopDelivery>());
    std::array<uint8_t, 200> frame{};
    build(frame);
    return RFDevice(hidDeviceFromIOHIDDevice(handle)).sendReport(frame, 2);
}

class DfuWholeRoadTest : public DfuTest {};

TEST_F(DfuWholeRoadTest, GlassesAt160AreUpdatedTo165) {
    auto config = VirtualGlasses::secondGeneration();
    config.firmwareVersion = "TAVRO2_FW_V1.60";
    auto glasses = std::make_shared<VirtualGlasses>(config);
    plug(glasses);
    DfuNotices notices;

    ASSERT_EQ(sendCommand(glasses, glass_cmd_enter_dfu), 0);
    EXPECT_TRUE(awaitAttached(glasses.get(), false));
    ASSERT_TRUE(awaitAttached(glasses->bootloader().get(), true));

    EXPECT_EQ(run_glass_dfu_upgrade(), 0);
    EXPECT_TRUE(notices.of(".dfuUpdate_status").empty());
    EXPECT_FALSE(platform::sim::SimUsbBus::shared().isPlugged(*glasses->bootloader()));
    ASSERT_TRUE(awaitAttached(glasses.get(), true));

    // The glasses' own answer to the version request carries the new version.
    std::mutex mutex;
    std::condition_variable answered;
    std::string reported;
    auto listener = glasses->addInputListener([&](uint8_t, std::span<const uint8_t> report) {
        if (report.size() < 14 || report[8] != 8) return;
        std::lock_guard lock(mutex);
        reported.assign(report.begin() + 14, report.begin() + 14 + report[12]);
        answered.notify_all();
    });
    ASSERT_EQ(sendCommand(glasses, glass_cmd_get_firmware_version), 0);
    {
        std::unique_lock lock(mutex);
        answered.wait_for(lock, std::chrono::seconds(10), [&] { return !reported.empty(); });
    }
    listener.reset();
    EXPECT_EQ(reported, "TAVRO2_FW_V1.65");
}

}  // namespace
