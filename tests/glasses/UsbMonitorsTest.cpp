// The USB-device and serial-port monitors over virtual USB devices of a simulated Mac:
// each runs on a thread of its own until stopped, and what it announces is recorded.
#include <gtest/gtest.h>

#include <limits>
#include <thread>
#include <tuple>

#include "glasses/SerialDeviceMonitor.h"
#include "glasses/USBDevice.h"
#include "glasses/USBDeviceMonitor.h"
#include "glasses/USBDeviceNotifications.h"
#include "platform/foundation/FileSystem.h"
#include "platform/hid/HIDTypes.h"
#include "platform/sim/SimMac.h"
#include "tests/support/InstalledSimMac.h"
#include "tests/support/NotificationRecorder.h"

using platform::sim::VirtualUsbDevice;
using platform::sim::VirtualUsbIdentity;

namespace {

std::shared_ptr<VirtualUsbDevice> usbDevice(int64_t vendor, int64_t product,
                                            const std::string& name) {
    return std::make_shared<VirtualUsbDevice>(
        VirtualUsbIdentity{vendor, product, name, "", "", {}});
}
std::shared_ptr<VirtualUsbDevice> serialDevice(const std::string& path, const std::string& name,
                                               int64_t product = 0x5740) {
    return std::make_shared<VirtualUsbDevice>(
        VirtualUsbIdentity{0x0483, product, name, "STMicroelectronics", "2070336B5852", path});
}

// The "device" entries of the notices of `name` as T, in order.
template <class T>
std::vector<std::shared_ptr<T>> devicesIn(const test_support::NotificationRecorder& recorder,
                                          const std::string& name) {
    std::vector<std::shared_ptr<T>> found;
    for (const auto& object : recorder.objects(name)) {
        if (!object.isDictionary()) continue;
        auto entry = object.dictionary().find("device");
        if (entry != object.dictionary().end()) found.push_back(entry->second.objectAs<T>());
    }
    return found;
}

template <class Monitor>
class MonitorTest : public ::testing::Test {
  protected:
    template <class... Args>
    explicit MonitorTest(std::vector<std::string> names, Args&&... args)
        : recorder_(std::move(names)), monitor_(std::forward<Args>(args)...) {}
    void TearDown() override {
        stop();
        for (auto& device : plugged_) unplug(device);
    }

    std::shared_ptr<VirtualUsbDevice> plug(std::shared_ptr<VirtualUsbDevice> device) {
        plugged_.push_back(device);
        mac_->usbBus().plugUsb(device);
        return device;
    }
    void unplug(const std::shared_ptr<VirtualUsbDevice>& device) {
        mac_->usbBus().unplugUsb(device);
    }
    void start() {
        thread_ = std::thread([this] { monitor_.start(); });
    }
    void stop() {
        monitor_.stop();
        if (thread_.joinable()) thread_.join();
    }

    test_support::InstalledSimMac mac_{platform::sim::MachineProfile{},
                                       platform::foundation::homeDirectory()};
    test_support::NotificationRecorder recorder_;
    Monitor monitor_;
    std::thread thread_;
    std::vector<std::shared_ptr<VirtualUsbDevice>> plugged_;
};

class USBDeviceMonitorTest : public MonitorTest<USBDeviceMonitor> {
  protected:
    USBDeviceMonitorTest()
        : MonitorTest(
              {kUSBDeviceConnected, kUSBDeviceDisconnected},
              std::vector<std::pair<int64_t, int64_t>>{{0xFFFF, 0x8866}, {0x0483, 0x5750}}) {}
};

class SerialDeviceMonitorTest : public MonitorTest<SerialDeviceMonitor> {
  protected:
    SerialDeviceMonitorTest() : MonitorTest({kSerialDeviceAdded, kSerialDeviceRemoved}) {
        monitor_.setPortUsageIntervalTime(0.005f);
    }
    // The paths of the ports announced by `name`, sorted.
    std::vector<std::string> paths(const char* name) {
        std::vector<std::string> found;
        for (const auto& device : devicesIn<SerialDevice>(recorder_, name)) {
            found.push_back(device ? device->path : "<no record>");
        }
        std::sort(found.begin(), found.end());
        return found;
    }
};

TEST_F(USBDeviceMonitorTest, AnnouncesWatchedDevicesPresentAndArrivingAndTheirDeparture) {
    auto present = plug(usbDevice(0xFFFF, 0x8866, "TAVRO Glass"));
    start();
    ASSERT_TRUE(recorder_.awaitCount(kUSBDeviceConnected, 1));
    plug(usbDevice(0x05ac, 0x8104, "Unwatched"));
    auto arriving = plug(usbDevice(0x0483, 0x5750, "TAVRO Glass 1"));
    ASSERT_TRUE(recorder_.awaitCount(kUSBDeviceConnected, 2));
    auto devices = devicesIn<USBDevice>(recorder_, kUSBDeviceConnected);
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
    unplug(arriving);
    ASSERT_TRUE(recorder_.awaitCount(kUSBDeviceDisconnected, 1));
    EXPECT_EQ(recorder_.objects(kUSBDeviceDisconnected)[0]["id"].asInt64(),
              int64_t(arriving->registryEntryId()));
    stop();
    EXPECT_EQ(recorder_.notices().size(), 1u);
}

TEST_F(USBDeviceMonitorTest, StopEndsTheMonitorAlsoWhenItComesFirst) {
    monitor_.stop();
    monitor_.start();  // returns at once
    plug(usbDevice(0xFFFF, 0x8866, "TAVRO Glass"));
    start();
    ASSERT_TRUE(recorder_.awaitCount(kUSBDeviceConnected, 1));
}

TEST_F(SerialDeviceMonitorTest, AnnouncesPortsPresentAtStartThenComingAndGoing) {
    plug(serialDevice("/dev/cu.usbmodem1101", "TAVRO Serial"));
    // A plain USB device has no serial port and is never listed.
    plug(std::make_shared<VirtualUsbDevice>(VirtualUsbIdentity{0x05ac, 0x8104, "Hub", "", "", {}}));
    start();
    ASSERT_TRUE(recorder_.awaitCount(kSerialDeviceAdded, 1));
    const auto port = devicesIn<SerialDevice>(recorder_, kSerialDeviceAdded).at(0);
    ASSERT_TRUE(port);
    EXPECT_EQ(std::tie(port->path, port->name, port->vendorName, port->serialNumber, port->vendorId,
                       port->productId),
              std::make_tuple("/dev/cu.usbmodem1101", "TAVRO Serial", "STMicroelectronics",
                              "2070336B5852", 0x0483, 0x5740));
    auto second = plug(serialDevice("/dev/cu.usbserial-A10", "Adapter", 0x6001));
    ASSERT_TRUE(recorder_.awaitCount(kSerialDeviceAdded, 2));
    unplug(second);
    ASSERT_TRUE(recorder_.awaitCount(kSerialDeviceRemoved, 1));
    stop();
    EXPECT_EQ(paths(kSerialDeviceAdded),
              (std::vector<std::string>{"/dev/cu.usbmodem1101", "/dev/cu.usbserial-A10"}));
    EXPECT_EQ(paths(kSerialDeviceRemoved), (std::vector<std::string>{"/dev/cu.usbserial-A10"}));
    EXPECT_EQ(devicesIn<SerialDevice>(recorder_, kSerialDeviceRemoved)[0]->name, "Adapter");
    EXPECT_EQ(monitor_.serialDevices(), std::vector{*port});  // by path
}

TEST_F(SerialDeviceMonitorTest, StopEndsEvenTheLongestWaitAndMayComeFirst) {
    monitor_.setPortUsageIntervalTime(1e9f);
    EXPECT_EQ(monitor_.portUsageIntervalTime(), 4294.0f);
    start();
    plug(serialDevice("/dev/cu.usbmodem1101", "TAVRO Serial"));
    stop();  // would hang for 71 minutes if the wait ignored it
    SerialDeviceMonitor early;
    early.stop();
    early.start();
    EXPECT_TRUE(early.serialDevices().empty());
    early.setPortUsageIntervalTime(-1.0f);
    EXPECT_EQ(early.portUsageIntervalTime(), 0.0f);
    early.setPortUsageIntervalTime(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(early.portUsageIntervalTime(), 0.25f);
}

}  // namespace
