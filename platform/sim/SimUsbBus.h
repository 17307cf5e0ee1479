#pragma once
// The simulated Mac's USB bus: virtual devices plug into the machine's HID bus with a
// location identifier of their own, and unplug again. Thread-safe; plugging and unplugging
// are seen by HID managers on their run loops.

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/hid/HIDBus.h"
#include "platform/sim/VirtualHidDevice.h"

namespace platform::sim {

class SimUsbBus {
  public:
    static SimUsbBus& shared();
    explicit SimUsbBus(hid::HIDBus& bus) : bus_(bus) {}

    // Gives the device a "LocationID" (a number, as the platform gives it) and attaches it.
    void plug(const std::shared_ptr<VirtualHidDevice>& device);
    void unplug(const std::shared_ptr<VirtualHidDevice>& device);
    bool isPlugged(const VirtualHidDevice& device) const { return bus_.isAttached(&device); }
    hid::HIDBus& hidBus() { return bus_; }

  private:
    hid::HIDBus& bus_;
    std::mutex mutex_;
    int64_t nextLocation_ = 0x14100000;
};

}  // namespace platform::sim
