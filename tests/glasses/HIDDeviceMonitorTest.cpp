#include <gtest/gtest.h>

#include <array>

#include "appstate/AppDelegate.h"
#include "glasses/GlassCommands.h"
#include "glasses/GlassVersionText.h"
#include "glasses/HIDDevice.h"
#include "glasses/HIDDeviceMonitor.h"
#include "glasses/HIDMonitorThread.h"
#include "glasses/RFDevice.h"
#include "platform/sim/SimUsbBus.h"
#include "platform/sim/VirtualGlasses.h"
#include "tests/support/AwaitedLog.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/Waits.h"

using platform::hid::DevicePtr;
using platform::sim::SimUsbBus;
using platform::sim::VirtualGlasses;
using platform::sim::VirtualHidDevice;

namespace {

// A HID device monitor on a thread of its own over the simulated bus, with what it hands
// its callbacks recorded for the tests to await.
class HIDDeviceMonitorTest : public ::testing::Test {
  protected:
    HIDDeviceMonitorTest() {
        monitor_.setDevicePlugIn([this](const DevicePtr& d) { pluggedIn_.add(d); });
        monitor_.setDevicePullOut([this](const DevicePtr& d) { pulledOut_.add(d); });
        monitor_.setReadCallBack([this](float a, float b, float c, float d) {
            reads_.add({a, b, c, d});
        });
        thread_ = std::make_unique<HIDMonitorThread>(monitor_);
    }
    void TearDown() override {
        for (auto& device : plugged_) SimUsbBus::shared().unplug(device);
        thread_->stop();
    }

    // Plugs the device and waits until the monitor has taken it; returns its handle.
    DevicePtr plugAndAwait(const std::shared_ptr<VirtualHidDevice>& device) {
        const size_t before = pluggedIn_.size();
        plugged_.push_back(device);
        SimUsbBus::shared().plug(device);
        DevicePtr handle = pluggedIn_.awaitAt(before);
        EXPECT_TRUE(handle);
        return handle;
    }
    void unplugAndAwait(const std::shared_ptr<VirtualHidDevice>& device, const DevicePtr& handle) {
        const size_t before = pulledOut_.size();
        SimUsbBus::shared().unplug(device);
        EXPECT_EQ(pulledOut_.awaitAt(before), handle);
    }

    test_support::NotificationRecorder notices_{{kHIDDeviceConnected, kHIDDeviceDisconnected,
                                                 kHIDDeviceDataReceived,
                                                 kGlassVersionNotification}};
    HIDDeviceMonitor monitor_{{watchedHIDDevices.begin(), watchedHIDDevices.end()}, 64};
    test_support::AwaitedLog<DevicePtr> pluggedIn_, pulledOut_;
    test_support::AwaitedLog<std::array<float, 4>> reads_;
    std::unique_ptr<HIDMonitorThread> thread_;
    std::vector<std::shared_ptr<VirtualHidDevice>> plugged_;
};

TEST_F(HIDDeviceMonitorTest, EachWatchedKindPlugsAndUnplugsWithItsGenerationOthersNot) {
    // Not watched: never announced.
    plugged_.push_back(
        std::make_shared<VirtualGlasses>(VirtualGlasses::secondGeneration(0x0483, 0x8006)));
    SimUsbBus::shared().plug(plugged_.back());
    // The monitor's generation starts at 1; pairs of no named generation keep the last one.
    const std::tuple<int64_t, int64_t, int64_t> cases[] = {
        {0x0483, 0x8001, 2}, {0x0483, 0x5750, 1}, {0x3318, 0x0428, 1}, {0x0483, 0x8005, 2},
        {0x3318, 0x0428, 2}, {0x0483, 0x5750, 1}, {0xFFFF, 0x8866, 2}, {0x0483, 0x5750, 1},
        {0x0416, 0x3F00, 2}, {0x0483, 0x8003, 2}};
    for (const auto& [vendor, product, generation] : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << vendor << ":" << product);
        auto glasses =
            std::make_shared<VirtualGlasses>(VirtualGlasses::secondGeneration(vendor, product));
        DevicePtr handle = plugAndAwait(glasses);
        EXPECT_EQ(monitor_.glassGeneration(), generation);
        HIDDevice info = hidDeviceFromIOHIDDevice(handle);
        // The location is a number, not a text: no identifier.
        EXPECT_EQ(std::tie(info.vendorId, info.productId, info.reportSize, info.name, info.id),
                  std::make_tuple(vendor, product, int64_t{64}, "TAVRO Glass", ""));
        unplugAndAwait(glasses, handle);
        EXPECT_EQ(monitor_.glassGeneration(), generation);  // not reset
    }
    EXPECT_EQ(notices_.count(kHIDDeviceConnected), std::size(cases));
    EXPECT_EQ(notices_.count(kHIDDeviceDisconnected), std::size(cases));
    EXPECT_EQ(notices_.objects(kHIDDeviceConnected)[0]["device"].objectAs<platform::hid::Device>(),
              pluggedIn_.entries()[0]);
}

TEST_F(HIDDeviceMonitorTest, WakeDeviceReportsGoNoFurtherAndTheGlassesStreamReachesReadCallBack) {
    auto glasses = std::make_shared<VirtualGlasses>(VirtualGlasses::firstGeneration());
    plugAndAwait(glasses);
    auto wake = platform::sim::makeWakeDevice(0x1234, 0x5678);
    DevicePtr handle = plugAndAwait(wake);
    EXPECT_EQ(monitor_.glassGeneration(), 1);
    std::array<uint8_t, 64> report{};
    report[0] = 0x20;  // looks like an IMU sample, but it comes from the wake device
    wake->sendInput(report);
    ASSERT_TRUE(notices_.awaitCount(kHIDDeviceDataReceived, 1));
    EXPECT_EQ(notices_.objects(kHIDDeviceDataReceived)[0]["data"].data().size(), 64u);
    // The monitor's thread takes reports in order: the first read is the glasses' own (a
    // unit quaternion), not the wake device's zeros.
    glasses->setImuRate(2000);
    ASSERT_TRUE(reads_.awaitCount(20));
    const auto first = reads_.entries()[0];
    EXPECT_NEAR(first[0] * first[0] + first[2] * first[2], 1.0f, 1e-4f);
}

TEST(GlassVersionText, NulsGoTheRestIsUpperCasedAndTextNotUtf8IsEmpty) {
    const std::pair<std::string, std::string> cases[] = {
        {"tavro2_fw_v1.65", "TAVRO2_FW_V1.65"},
        {std::string("TAVRO\0_FW_V1.40\0", 16), "TAVRO_FW_V1.40"},
        {std::string(5, '\0'), ""},
        {"\xff\xfeTAVRO", ""},
        {"\xc0\xaf", ""},  // an overlong form is not UTF-8 either
        {"", ""}};
    for (const auto& [sent, text] : cases) {
        EXPECT_EQ(
            glassVersionText(std::span(reinterpret_cast<const uint8_t*>(sent.data()), sent.size())),
            text);
    }
}

// A readable version is the glasses server's test; an unreadable one is no notice.
TEST_F(HIDDeviceMonitorTest, AnUnreadableVersionGoesToReadCallBack) {
    auto config = VirtualGlasses::secondGeneration();
    config.firmwareVersion = "\xff\xfeTAVRO";
    DevicePtr handle = plugAndAwait(std::make_shared<VirtualGlasses>(config));
    std::array<uint8_t, 100> frame{};
    glass_cmd_get_firmware_version(frame);
    ASSERT_EQ(RFDevice(hidDeviceFromIOHIDDevice(handle)).sendReport(frame, 2), 0);
    ASSERT_TRUE(reads_.awaitCount(1));
    EXPECT_EQ(reads_.entries()[0], (std::array<float, 4>{}));
    EXPECT_EQ(notices_.count(kGlassVersionNotification), 0u);
}

struct ImmersionRecorder : VXServerInterface {
    void changeImmersion(int32_t value) override { received = value; }
    std::atomic<int32_t> received{-1};
};

TEST_F(HIDDeviceMonitorTest, ImmersionChangeOnTheGlassesReachesTheGlassesServer) {
    auto recorder = std::make_shared<ImmersionRecorder>();
    AppDelegate::shared().vxServer.set(recorder);
    auto glasses = std::make_shared<VirtualGlasses>(VirtualGlasses::secondGenerationPro());
    plugAndAwait(glasses);
    glasses->reportImmersionChange(6);
    EXPECT_TRUE(test_support::waitUntil([&] { return recorder->received == 6; }));
    AppDelegate::shared().vxServer.set(nullptr);
}

}  // namespace
