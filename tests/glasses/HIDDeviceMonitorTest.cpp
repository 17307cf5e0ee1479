#include <gtest/gtest.h>

#include <array>
#include <condition_variable>

#include "appstate/AppDelegate.h"
#include "glasses/GlassCommands.h"
#include "glasses/GlassVersionText.h"
#include "glasses/HIDDevice.h"
#include "glasses/HIDDeviceMonitor.h"
#include "glasses/HIDMonitorThread.h"
#include "glasses/RFDevice.h"
#include "platform/sim/SimUsbBus.h"
#include "platform/sim/VirtualGlasses.h"
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
        monitor_.setDevicePlugIn([this](const DevicePtr& d) { record(pluggedIn_, d); });
        monitor_.setDevicePullOut([this](const DevicePtr& d) { record(pulledOut_, d); });
        monitor_.setReadCallBack([this](float a, float b, float c, float d) {
            record(reads_, {a, b, c, d});
        });
        thread_ = std::make_unique<HIDMonitorThread>(monitor_);
    }
    void TearDown() override {
        for (auto& device : plugged_) SimUsbBus::shared().unplug(device);
        thread_->stop();
    }

    template <class T>
    void record(std::vector<T>& list, T entry) {
        {
            std::lock_guard lock(mutex_);
            list.push_back(std::move(entry));
        }
        changed_.notify_all();
    }
    // Waits (5 s at most) until `done` holds; it reads the records under their lock.
    bool await(const std::function<bool()>& done) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5), done);
    }

    void plug(const std::shared_ptr<VirtualHidDevice>& device) {
        plugged_.push_back(device);
        SimUsbBus::shared().plug(device);
    }
    // Plugs the device and waits until the monitor has taken it; returns its handle.
    DevicePtr plugAndAwait(const std::shared_ptr<VirtualHidDevice>& device) {
        size_t before = 0;
        await([&] { return before = pluggedIn_.size(), true; });
        plug(device);
        EXPECT_TRUE(await([&] { return pluggedIn_.size() > before; }));
        std::lock_guard lock(mutex_);
        return pluggedIn_.back();
    }
    void unplugAndAwait(const std::shared_ptr<VirtualHidDevice>& device, const DevicePtr& handle) {
        SimUsbBus::shared().unplug(device);
        EXPECT_TRUE(await([&] { return !pulledOut_.empty() && pulledOut_.back() == handle; }));
    }

    test_support::NotificationRecorder notices_{{kHIDDeviceConnected, kHIDDeviceDisconnected,
                                                 kHIDDeviceDataReceived,
                                                 kGlassVersionNotification}};
    HIDDeviceMonitor monitor_{{watchedHIDDevices.begin(), watchedHIDDevices.end()}, 64};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<DevicePtr> pluggedIn_, pulledOut_;
    std::vector<std::array<float, 4>> reads_;
    std::unique_ptr<HIDMonitorThread> thread_;
    std::vector<std::shared_ptr<VirtualHidDevice>> plugged_;
};

TEST_F(HIDDeviceMonitorTest, EachWatchedKindPlugsAndUnplugsWithItsGenerationOthersNot) {
    plug(std::make_shared<VirtualGlasses>(VirtualGlasses::secondGeneration(0x0483, 0x8006)));
    struct Case {
        int64_t vendor, product, generationAfter;
    };
    // The monitor's generation starts at 1; pairs of no named generation keep the last one.
    const Case cases[] = {{0x0483, 0x8001, 2}, {0x0483, 0x5750, 1}, {0x3318, 0x0428, 1},
                          {0x0483, 0x8005, 2}, {0x3318, 0x0428, 2}, {0x0483, 0x5750, 1},
                          {0xFFFF, 0x8866, 2}, {0x0483, 0x5750, 1}, {0x0416, 0x3F00, 2},
                          {0x0483, 0x8003, 2}};
    for (const Case& each : cases) {
        auto glasses = std::make_shared<VirtualGlasses>(
            VirtualGlasses::secondGeneration(each.vendor, each.product));
        DevicePtr handle = plugAndAwait(glasses);
        EXPECT_EQ(monitor_.glassGeneration(), each.generationAfter)
            << std::hex << each.vendor << ":" << each.product;
        HIDDevice info = hidDeviceFromIOHIDDevice(handle);
        EXPECT_EQ(std::tie(info.vendorId, info.productId, info.reportSize, info.name),
                  std::make_tuple(each.vendor, each.product, int64_t{64}, "TAVRO Glass"));
        EXPECT_EQ(info.id, "");  // the location is a number, not a text
        unplugAndAwait(glasses, handle);
        EXPECT_EQ(monitor_.glassGeneration(), each.generationAfter);  // not reset
    }
    EXPECT_EQ(notices_.count(kHIDDeviceConnected), std::size(cases));
    EXPECT_EQ(notices_.count(kHIDDeviceDisconnected), std::size(cases));
    std::lock_guard lock(mutex_);
    EXPECT_EQ(notices_.objects(kHIDDeviceConnected)[0]["device"].objectAs<platform::hid::Device>(),
              pluggedIn_[0]);
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
    ASSERT_TRUE(await([&] { return reads_.size() >= 20; }));
    std::lock_guard lock(mutex_);
    EXPECT_NEAR(reads_[0][0] * reads_[0][0] + reads_[0][2] * reads_[0][2], 1.0f, 1e-4f);
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

TEST_F(HIDDeviceMonitorTest, AVersionIsAnnouncedAndAnUnreadableOneGoesToReadCallBack) {
    const auto ask = [&](const std::string& version) {
        auto config = VirtualGlasses::secondGeneration();
        config.firmwareVersion = version;
        DevicePtr handle = plugAndAwait(std::make_shared<VirtualGlasses>(config));
        std::array<uint8_t, 100> frame{};
        glass_cmd_get_firmware_version(frame);
        ASSERT_EQ(RFDevice(hidDeviceFromIOHIDDevice(handle)).sendReport(frame, 2), 0);
    };
    ask("tavro2_fw_v1.65");
    ASSERT_TRUE(notices_.awaitCount(kGlassVersionNotification, 1));
    EXPECT_EQ(notices_.objects(kGlassVersionNotification)[0].text(), "TAVRO2_FW_V1.65");
    ask("\xff\xfeTAVRO");
    ASSERT_TRUE(await([&] { return reads_.size() == 1; }));
    EXPECT_EQ(reads_[0], (std::array<float, 4>{}));
    EXPECT_EQ(notices_.count(kGlassVersionNotification), 1u);
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
