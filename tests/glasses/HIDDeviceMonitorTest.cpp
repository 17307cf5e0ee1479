#include <gtest/gtest.h>

#include <array>

#include "appstate/AppDelegate.h"
#include "glasses/GlassCommands.h"
#include "glasses/HIDDevice.h"
#include "glasses/HIDDeviceMonitor.h"
#include "glasses/RFDevice.h"
#include "platform/sim/SimUsbBus.h"
#include "platform/sim/VirtualGlasses.h"
#include "tests/glasses/MonitorHarness.h"

using platform::foundation::Value;
using platform::hid::DevicePtr;
using platform::sim::SimUsbBus;
using platform::sim::VirtualGlasses;
using platform::sim::VirtualHidDevice;

namespace {

class HIDDeviceMonitorTest : public ::testing::Test {
  protected:
    void TearDown() override {
        for (auto& device : plugged_) SimUsbBus::shared().unplug(device);
    }

    template <class Device>
    std::shared_ptr<Device> plug(std::shared_ptr<Device> device) {
        plugged_.push_back(device);
        SimUsbBus::shared().plug(device);
        return device;
    }

    // Plugs the glasses and waits until the monitor has taken them; returns their handle.
    DevicePtr plugAndAwait(const std::shared_ptr<VirtualHidDevice>& device) {
        const size_t before = harness_.events().pluggedIn.size();
        plug(device);
        EXPECT_TRUE(
            harness_.await([&](const MonitorEvents& e) { return e.pluggedIn.size() > before; }));
        return harness_.events().pluggedIn.back();
    }

    // Sends one command frame the way the glasses server does: a 100-byte buffer, as many
    // bytes as the device's report size.
    static int32_t send(const DevicePtr& device,
                        const std::function<int32_t(std::span<uint8_t>)>& build) {
        std::array<uint8_t, 100> frame{};
        build(frame);
        return RFDevice(hidDeviceFromIOHIDDevice(device)).sendReport(frame, 2);
    }

    MonitorHarness harness_;
    std::vector<std::shared_ptr<VirtualHidDevice>> plugged_;
};

TEST_F(HIDDeviceMonitorTest, EachWatchedKindPlugsAndUnplugsWithItsGenerationOthersNot) {
    struct Case {
        int64_t vendor, product, generationAfter;
    };
    plug(std::make_shared<VirtualGlasses>(VirtualGlasses::secondGeneration(0x0483, 0x8006)));
    // The monitor's generation starts at 1; pairs of no named generation keep the last one.
    const Case cases[] = {{0x0483, 0x8001, 2}, {0x0483, 0x5750, 1}, {0x3318, 0x0428, 1},
                          {0x0483, 0x8005, 2}, {0x3318, 0x0428, 2}, {0x0483, 0x5750, 1},
                          {0xFFFF, 0x8866, 2}, {0x0483, 0x5750, 1}, {0x0416, 0x3F00, 2},
                          {0x0483, 0x8003, 2}};
    for (const Case& each : cases) {
        auto config = VirtualGlasses::secondGeneration(each.vendor, each.product);
        auto glasses = std::make_shared<VirtualGlasses>(config);
        DevicePtr handle = plugAndAwait(glasses);
        EXPECT_EQ(harness_.monitor().glassGeneration(), each.generationAfter)
            << std::hex << each.vendor << ":" << each.product;
        HIDDevice info = hidDeviceFromIOHIDDevice(handle);
        EXPECT_EQ(info.vendorId, each.vendor);
        EXPECT_EQ(info.productId, each.product);
        EXPECT_EQ(info.reportSize, 64);
        EXPECT_EQ(info.name, "TAVRO Glass");
        EXPECT_EQ(info.id, "");  // the location is a number, not a text

        SimUsbBus::shared().unplug(glasses);
        ASSERT_TRUE(harness_.await([&](const MonitorEvents& e) {
            return !e.pulledOut.empty() && e.pulledOut.back() == handle;
        }));
        EXPECT_EQ(harness_.monitor().glassGeneration(), each.generationAfter);  // not reset
    }
    MonitorEvents events = harness_.events();
    EXPECT_EQ(events.count(kHIDDeviceConnected), std::size(cases));
    EXPECT_EQ(events.count(kHIDDeviceDisconnected), std::size(cases));
    EXPECT_EQ(events.objects.front()["device"].objectAs<platform::hid::Device>(),
              events.pluggedIn.front());
}

TEST_F(HIDDeviceMonitorTest, WakeDeviceReportsGoNoFurtherAndTheGlassesStreamReachesReadCallBack) {
    auto glasses = std::make_shared<VirtualGlasses>(VirtualGlasses::firstGeneration());
    plugAndAwait(glasses);
    auto wake = platform::sim::makeWakeDevice(0x1234, 0x5678);
    DevicePtr handle = plugAndAwait(wake);
    EXPECT_EQ(harness_.monitor().glassGeneration(), 1);

    std::array<uint8_t, 64> report{};
    report[0] = 0x20;  // looks like an IMU sample, but it comes from the wake device
    wake->sendInput(report);
    ASSERT_TRUE(harness_.await(
        [](const MonitorEvents& e) { return e.count(kHIDDeviceDataReceived) == 1; }));
    MonitorEvents events = harness_.events();
    EXPECT_TRUE(events.reads.empty());
    EXPECT_EQ(events.objects.back()["data"].data().size(), 64u);
    glasses->setImuRate(2000);
    ASSERT_TRUE(harness_.await([](const MonitorEvents& e) { return e.reads.size() >= 20; }));
    std::array<float, 4> sample = harness_.events().reads.back();
    EXPECT_NEAR(sample[0] * sample[0] + sample[2] * sample[2], 1.0f, 1e-4f);

    SimUsbBus::shared().unplug(wake);
    EXPECT_TRUE(harness_.await([&](const MonitorEvents& e) {
        return !e.pulledOut.empty() && e.pulledOut.back() == handle;
    }));
}

TEST_F(HIDDeviceMonitorTest, VersionTextsAreAnnouncedUpperCasedOrPassedOnAsIMUValues) {
    struct Case {
        std::string sent;
        std::string announced;  // empty: the report goes to readCallBack instead
    };
    const Case cases[] = {{"tavro2_fw_v1.65", "TAVRO2_FW_V1.65"},
                          {std::string("TAVRO\0_FW_V1.40\0", 16), "TAVRO_FW_V1.40"},
                          {std::string(5, '\0'), ""},
                          {"\xff\xfeTAVRO", ""},
                          {"\xc0\xaf", ""},  // an overlong form is not UTF-8 either
                          {"", ""}};
    for (const Case& each : cases) {
        auto config = VirtualGlasses::secondGeneration();
        config.firmwareVersion = each.sent;
        auto glasses = std::make_shared<VirtualGlasses>(config);
        DevicePtr handle = plugAndAwait(glasses);
        const MonitorEvents before = harness_.events();

        ASSERT_EQ(send(handle, glass_cmd_get_firmware_version), 0);
        ASSERT_TRUE(harness_.await([&](const MonitorEvents& e) {
            return e.versions.size() + e.reads.size() >
                   before.versions.size() + before.reads.size();
        }));
        MonitorEvents after = harness_.events();
        if (each.announced.empty()) {
            EXPECT_EQ(after.versions.size(), before.versions.size());
            EXPECT_EQ(after.reads.back(), (std::array<float, 4>{}));
        } else {
            EXPECT_EQ(after.versions.back(), each.announced);
            EXPECT_EQ(after.reads.size(), before.reads.size());
        }
        SimUsbBus::shared().unplug(glasses);
    }
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
    EXPECT_TRUE(harness_.await([&](const MonitorEvents&) { return recorder->received == 6; }) ||
                recorder->received == 6);
    AppDelegate::shared().vxServer.set(nullptr);
}

}  // namespace
