#include <gtest/gtest.h>

#include <thread>
#include <tuple>

#include "glasses/USBDevice.h"
#include "glasses/USBDeviceMonitor.h"
#include "glasses/USBDeviceNotifications.h"
#include "platform/hid/HIDTypes.h"
#include "platform/sim/SimUsbBus.h"
#include "tests/support/NotificationRecorder.h"

using platform::sim::SimUsbBus;
using platform::sim::VirtualUsbDevice;
using platform::sim::VirtualUsbIdentity;

namespace {

std::shared_ptr<VirtualUsbDevice> usbDevice(int64_t vendor, int64_t product,
                                            const std::string& name) {
    return std::make_shared<VirtualUsbDevice>(
        VirtualUsbIdentity{vendor, product, name, "", "", {}});
}

class USBDeviceMonitorTest : public ::testing::Test {
  protected:
    void TearDown() override {
        stop();
        for (auto& device : plugged_) SimUsbBus::shared().unplugUsb(device);
    }

    std::shared_ptr<VirtualUsbDevice> plug(std::shared_ptr<VirtualUsbDevice> device) {
        plugged_.push_back(device);
        SimUsbBus::shared().plugUsb(device);
        return device;
    }
    void start() {
        thread_ = std::thread([this] { monitor_.start(); });
    }
    void stop() {
        monitor_.stop();
        if (thread_.joinable()) thread_.join();
    }
    // The identifiers the departures carried.
    std::vector<int64_t> departedIds() {
        std::vector<int64_t> ids;
        for (const auto& object : recorder_.objects(kUSBDeviceDisconnected))
            ids.push_back(object["id"].asInt64());
        return ids;
    }

    test_support::NotificationRecorder recorder_{{kUSBDeviceConnected, kUSBDeviceDisconnected}};
    USBDeviceMonitor monitor_{{{0xFFFF, 0x8866}, {0x0483, 0x5750}}};
    std::thread thread_;
    std::vector<std::shared_ptr<VirtualUsbDevice>> plugged_;
};

TEST_F(USBDeviceMonitorTest, AnnouncesWatchedDevicesPresentAndArrivingAndTheirDeparture) {
    auto present = plug(usbDevice(0xFFFF, 0x8866, "TAVRO Glass"));
    start();
    ASSERT_TRUE(recorder_.awaitCount(kUSBDeviceConnected, 1));
    plug(usbDevice(0x05ac, 0x8104, "Unwatched"));
    auto arriving = plug(usbDevice(0x0483, 0x5750, "TAVRO Glass 1"));
    ASSERT_TRUE(recorder_.awaitCount(kUSBDeviceConnected, 2));

    auto devices = recorder_.devices<USBDevice>(kUSBDeviceConnected);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(
        std::tie(devices[0]->id, devices[0]->name, devices[0]->vendorId, devices[0]->productId),
        std::make_tuple(present->registryEntryId(), "TAVRO Glass", 0xFFFF, 0x8866));
    EXPECT_EQ(std::tie(devices[1]->id, devices[1]->productId),
              std::make_tuple(arriving->registryEntryId(), 0x5750));

    // The device stays open while its record is held, and closes with the last copy.
    EXPECT_TRUE(present->isOpen());
    devices.clear();
    recorder_.clear();
    EXPECT_FALSE(present->isOpen());

    SimUsbBus::shared().unplugUsb(arriving);
    ASSERT_TRUE(recorder_.awaitCount(kUSBDeviceDisconnected, 1));
    EXPECT_EQ(departedIds(), std::vector<int64_t>{int64_t(arriving->registryEntryId())});
    stop();
    EXPECT_EQ(recorder_.notices().size(), 1u);
}

TEST_F(USBDeviceMonitorTest, DevicesThatCannotBeOpenedAreSkippedButTheirDepartureIsNot) {
    auto noPlugIn = usbDevice(0xFFFF, 0x8866, "No plug-in");
    noPlugIn->setOffersPlugIn(false);
    auto failing = usbDevice(0xFFFF, 0x8866, "Failing");
    failing->setOpenStatus(platform::hid::kIOReturnNotAttached);
    // Held by another client: still read and announced.
    auto held = usbDevice(0xFFFF, 0x8866, "Held");
    held->setOpenStatus(platform::hid::kIOReturnExclusiveAccess);
    plug(noPlugIn);
    plug(failing);
    plug(held);
    start();
    ASSERT_TRUE(recorder_.awaitCount(kUSBDeviceConnected, 1));
    SimUsbBus::shared().unplugUsb(noPlugIn);
    ASSERT_TRUE(recorder_.awaitCount(kUSBDeviceDisconnected, 1));
    stop();

    auto devices = recorder_.devices<USBDevice>(kUSBDeviceConnected);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0]->name, "Held");
    EXPECT_FALSE(devices[0]->deviceInterfacePtrPtr->isOpen());
    EXPECT_EQ(departedIds(), std::vector<int64_t>{int64_t(noPlugIn->registryEntryId())});
}

TEST_F(USBDeviceMonitorTest, StopEndsTheMonitorAlsoWhenItComesFirst) {
    monitor_.stop();
    monitor_.start();  // returns at once
    plug(usbDevice(0xFFFF, 0x8866, "TAVRO Glass"));
    start();
    ASSERT_TRUE(recorder_.awaitCount(kUSBDeviceConnected, 1));
}

}  // namespace
