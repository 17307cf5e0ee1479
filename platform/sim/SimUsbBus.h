#pragma once
// The simulated Mac's USB bus: virtual devices plug into the machine's HID bus with a
// location identifier of their own, and unplug again; plain USB devices plug into the USB
// registry with a registry entry identifier of their own. Thread-safe; plugging and
// unplugging are seen by HID managers on their run loops and by USB notices on their queues.

#include <cstdint>
#include <memory>

#include "platform/foundation/Mutex.h"
#include "platform/hid/HIDBus.h"
#include "platform/hid/UsbRegistry.h"
#include "platform/sim/VirtualHidDevice.h"
#include "platform/sim/VirtualUsbDevice.h"

namespace platform::sim {

class SimUsbBus {
  public:
    static SimUsbBus& shared();
    explicit SimUsbBus(hid::HIDBus& bus, hid::UsbRegistry& registry = hid::UsbRegistry::system())
        : bus_(bus), registry_(registry) {}

    // Gives the device a "LocationID" (a number, as the platform gives it) and attaches it.
    void plug(const std::shared_ptr<VirtualHidDevice>& device);
    void unplug(const std::shared_ptr<VirtualHidDevice>& device);
    bool isPlugged(const VirtualHidDevice& device) const { return bus_.isAttached(&device); }
    hid::HIDBus& hidBus() { return bus_; }

    // Gives the device a registry entry identifier of its own and attaches it.
    void plugUsb(const std::shared_ptr<VirtualUsbDevice>& device);
    void unplugUsb(const std::shared_ptr<VirtualUsbDevice>& device);
    hid::UsbRegistry& usbRegistry() { return registry_; }

  private:
    hid::HIDBus& bus_;
    hid::UsbRegistry& registry_;
    foundation::Mutex mutex_;
    int64_t nextLocation_ TAVRO_GUARDED_BY(mutex_) = 0x14100000;
    uint64_t nextEntryId_ TAVRO_GUARDED_BY(mutex_) = 0x100000500;
};

}  // namespace platform::sim
