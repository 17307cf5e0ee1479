#include <gtest/gtest.h>

#include <array>

#include "glasses/RFDevice.h"
#include "platform/hid/HIDBus.h"
#include "platform/sim/VirtualHidDevice.h"

namespace {

// The device on the bus, and the glasses' sender in front of it.
std::pair<std::shared_ptr<platform::sim::VirtualHidDevice>, RFDevice> deviceWithReportSize(
    int64_t reportSize) {
    auto bus = std::make_shared<platform::sim::VirtualHidDevice>(
        platform::sim::VirtualHidIdentity{0x0483, 0x8001, "TAVRO Glass", reportSize, 1});
    auto handle = std::make_shared<platform::hid::Device>(
        bus, std::make_shared<platform::hid::RunLoopDelivery>());
    return {bus, RFDevice(hidDeviceFromIOHIDDevice(handle))};
}

TEST(RFDevice, SendsExactlyTheReportSizeWithTheLowByteOfTheIdentifier) {
    auto [bus, device] = deviceWithReportSize(64);
    std::array<uint8_t, 100> frame{};
    frame[63] = 0x5A;
    frame[64] = 0xA5;
    ASSERT_EQ(device.sendReport(frame, 0x302), platform::hid::kIOReturnSuccess);
    auto sent = bus->outputReports();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].reportId, 2);
    EXPECT_EQ(sent[0].type, platform::hid::ReportType::Output);
    ASSERT_EQ(sent[0].bytes.size(), 64u);
    EXPECT_EQ(sent[0].bytes[63], 0x5A);
}

TEST(RFDevice, FrameShorterThanTheReportIsRefusedAndGoneDeviceReportsItsStatus) {
    auto [bus, device] = deviceWithReportSize(128);
    std::array<uint8_t, 100> frame{};
    EXPECT_EQ(device.sendReport(frame, 2), platform::hid::kIOReturnBadArgument);
    EXPECT_TRUE(bus->outputReports().empty());
    auto [emptyBus, sizeless] = deviceWithReportSize(0);
    EXPECT_EQ(sizeless.sendReport(frame, 2), platform::hid::kIOReturnSuccess);
    EXPECT_TRUE(emptyBus->outputReports().at(0).bytes.empty());
    device.deviceInfo.device->markDetached();
    std::array<uint8_t, 200> bigger{};
    EXPECT_EQ(device.sendReport(bigger, 2), platform::hid::kIOReturnNotAttached);
    EXPECT_EQ(RFDevice(HIDDevice{}).sendReport(frame, 2), platform::hid::kIOReturnNoDevice);
}

}  // namespace
