#pragma once
// The machine's USB HID bus: the devices attached right now, and listeners told of every
// device that attaches or detaches. On this machine the simulated Mac attaches its virtual
// devices to it; HID managers watch it.
//
// Thread-safe. Listeners run on the attaching or detaching thread, one change at a time and
// in the order of the changes; they must only queue work (they may not attach or detach).

#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "platform/hid/BusDevice.h"

namespace platform::hid {

class HIDBus {
  public:
    static HIDBus& system();

    // Attaching a device that is attached already, or detaching one that is not, does
    // nothing.
    void attach(BusDevicePtr device);
    void detach(const BusDevicePtr& device);
    bool isAttached(const BusDevice* device) const;
    std::vector<BusDevicePtr> devices() const;

    using Listener = std::function<void(const BusDevicePtr& device, bool attached)>;
    // Adds a listener and tells it at once of every device attached now, so that no change
    // falls between the listing and the listening.
    uint64_t addListener(Listener listener);
    void removeListener(uint64_t id);

  private:
    mutable std::recursive_mutex mutex_;
    std::vector<BusDevicePtr> devices_;
    std::map<uint64_t, Listener> listeners_;
    uint64_t nextListenerId_ = 1;
};

}  // namespace platform::hid
