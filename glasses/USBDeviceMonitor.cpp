#include "glasses/USBDeviceMonitor.h"

#include "glasses/USBDevice.h"
#include "glasses/USBDeviceNotifications.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/hid/HIDTypes.h"
#include "platform/hid/UsbDeviceInterface.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

using platform::foundation::DispatchQueuePtr;
using platform::foundation::NotificationCenter;
using platform::foundation::RunLoop;
using platform::foundation::Value;
using platform::foundation::ValueDictionary;
using platform::hid::UsbNotice;
using platform::hid::UsbNotificationPort;
using platform::hid::UsbNotificationPortPtr;
using platform::hid::UsbServiceIterator;

namespace {

std::vector<Value> matchingDictionaries(const std::vector<std::pair<int64_t, int64_t>>& pairs) {
    std::vector<Value> matches;
    for (const auto& [vendor, product] : pairs) {
        ValueDictionary matching =
            platform::hid::serviceMatching(platform::hid::kIOUSBDeviceClassName).dictionary();
        matching["ProductID"] = product;
        matching["VendorID"] = vendor;
        matches.emplace_back(std::move(matching));
    }
    return matches;
}

}  // namespace

USBDeviceMonitor::USBDeviceMonitor(const std::vector<std::pair<int64_t, int64_t>>& pairs)
    : deviceMatches(matchingDictionaries(pairs)) {}

void USBDeviceMonitor::start() {
    RunLoop& loop = RunLoop::current();
    {
        MutexLock lock(mutex_);
        runLoop_ = &loop;
        if (stopRequested_) loop.stop();
    }

    std::vector<std::pair<UsbNotificationPortPtr, DispatchQueuePtr>> ports;
    for (const Value& matching : deviceMatches) {
        auto port = UsbNotificationPort::create();
        auto queue = platform::foundation::makeSerialQueue("IODetector");
        port->setDispatchQueue(queue);
        // Departures first: a device that arrives while the notices are being set up and
        // leaves at once is then in both iterators, never in the arrivals alone.
        auto removed = port->addMatchingNotification(
            UsbNotice::Terminate, matching,
            [this](UsbServiceIterator& iterator) { devicesRemoved(iterator); });
        auto added = port->addMatchingNotification(
            UsbNotice::FirstMatch, matching,
            [this](UsbServiceIterator& iterator) { devicesAdded(iterator); });
        // Draining the new iterators reports the devices present now and arms the notices.
        // It runs on the port's queue so that a device leaving meanwhile is announced after
        // its arrival.
        queue->sync([&] {
            if (added) devicesAdded(*added);
            if (removed) devicesRemoved(*removed);
        });
        ports.emplace_back(std::move(port), std::move(queue));
    }

    loop.run();

    for (auto& [port, queue] : ports) {
        port->destroy();
        // Lets a handler block queued before destroy() finish (it finds the port dead).
        queue->sync([] {});
    }
    MutexLock lock(mutex_);
    runLoop_ = nullptr;
}

void USBDeviceMonitor::stop() {
    MutexLock lock(mutex_);
    stopRequested_ = true;
    if (runLoop_) runLoop_->stop();
}

void USBDeviceMonitor::devicesAdded(UsbServiceIterator& iterator) {
    while (auto service = iterator.next()) {
        auto device = std::make_shared<USBDevice>();
        device->id = service->registryEntryId();
        // Registry names are at most 127 characters.
        device->name = service->registryEntryName().substr(0, 127);

        device->plugInInterfacePtrPtr =
            platform::hid::UsbPlugInInterface::createForService(*service);
        service->release();
        if (!device->plugInInterfacePtrPtr) continue;
        device->deviceInterfacePtrPtr = device->plugInInterfacePtrPtr->queryDeviceInterface();
        if (!device->deviceInterfacePtrPtr) continue;

        const int32_t opened = device->deviceInterfacePtrPtr->open();
        if (opened != platform::hid::kIOReturnSuccess &&
            opened != platform::hid::kIOReturnExclusiveAccess) {
            continue;
        }
        if (device->deviceInterfacePtrPtr->getDeviceVendor(device->vendorId) !=
                platform::hid::kIOReturnSuccess ||
            device->deviceInterfacePtrPtr->getDeviceProduct(device->productId) !=
                platform::hid::kIOReturnSuccess) {
            continue;
        }
        NotificationCenter::defaultCenter().post(
            kUSBDeviceConnected, Value(ValueDictionary{{"device", Value::object(device)}}));
    }
}

void USBDeviceMonitor::devicesRemoved(UsbServiceIterator& iterator) {
    while (auto service = iterator.next()) {
        const uint64_t id = service->registryEntryId();
        if (service->release() != platform::hid::kIOReturnSuccess) continue;
        NotificationCenter::defaultCenter().post(kUSBDeviceDisconnected,
                                                 Value(ValueDictionary{{"id", id}}));
    }
}
