#pragma once
// The machine's registry of USB devices: the devices attached right now, and listeners told
// of every device that attaches or detaches. On this machine the simulated Mac attaches its
// virtual USB devices to it; the USB matching notices and the serial-port listing read it.
//
// Thread-safe. Listeners run on the attaching or detaching thread, one change at a time and
// in the order of the changes; they must only queue work (they may not attach or detach).

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hid/UsbRegistryDevice.h"

namespace platform::hid {

inline constexpr const char* kIOProviderClassKey = "IOProviderClass";

// A matching dictionary for services of `className` ({"IOProviderClass": className}).
foundation::Value serviceMatching(const std::string& className);

class UsbRegistry {
  public:
    static UsbRegistry& system();

    // Attaching a device that is attached already, or detaching one that is not, does
    // nothing.
    void attach(UsbRegistryDevicePtr device);
    void detach(const UsbRegistryDevicePtr& device);
    std::vector<UsbRegistryDevicePtr> devices() const;

    using Listener = std::function<void(const UsbRegistryDevicePtr& device, bool attached)>;
    // Tells the new listener at once of every device attached now (with `attached` true),
    // so that no change falls between the listing and the listening.
    uint64_t addListener(Listener listener);
    void removeListener(uint64_t id);

  private:
    mutable std::recursive_mutex mutex_;
    std::vector<UsbRegistryDevicePtr> devices_;
    std::map<uint64_t, Listener> listeners_;
    uint64_t nextListenerId_ = 1;
};

}  // namespace platform::hid
