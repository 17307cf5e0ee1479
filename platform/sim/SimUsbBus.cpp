#include "platform/sim/SimUsbBus.h"

#include "platform/foundation/Mutex.h"

namespace platform::sim {

SimUsbBus& SimUsbBus::shared() {
    static SimUsbBus bus(hid::HIDBus::system());
    return bus;
}

void SimUsbBus::plug(const std::shared_ptr<VirtualHidDevice>& device) {
    {
        foundation::MutexLock lock(mutex_);
        if (device->property("LocationID").isNull()) {
            device->setProperty("LocationID", nextLocation_);
            nextLocation_ += 0x10000;
        }
    }
    bus_.attach(device);
}

void SimUsbBus::unplug(const std::shared_ptr<VirtualHidDevice>& device) {
    bus_.detach(device);
}

void SimUsbBus::plugUsb(const std::shared_ptr<VirtualUsbDevice>& device) {
    {
        foundation::MutexLock lock(mutex_);
        if (device->registryEntryId() == 0) device->setRegistryEntryId(nextEntryId_++);
    }
    registry_.attach(device);
}

void SimUsbBus::unplugUsb(const std::shared_ptr<VirtualUsbDevice>& device) {
    registry_.detach(device);
}

}  // namespace platform::sim
