#pragma once
// A registry of attached devices with listeners: the shape both the HID bus and the USB
// registry share. Listeners are told of every device that attaches or detaches, and a new
// listener is told at once of every device attached now, so that no change falls between
// the listing and the listening.
//
// Thread-safe. Listeners run on the attaching or detaching thread, one change at a time and
// in the order of the changes, with no lock of the registry held: they may read the registry
// and end their own or other listeners' subscriptions, but may not attach, detach or add a
// listener (which would wait for the change being told).

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "platform/foundation/ListenerList.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/Subscription.h"

namespace platform::hid {

template <class Device>
class DeviceRegistry {
  public:
    using DevicePtr = std::shared_ptr<Device>;
    using Listener = std::function<void(const DevicePtr& device, bool attached)>;

    // Attaching a device that is attached already, or detaching one that is not, does
    // nothing.
    void attach(DevicePtr device) {
        if (!device) return;
        typename Listeners::Delivery delivery(listeners_);
        {
            foundation::MutexLock lock(mutex_);
            if (std::find(devices_.begin(), devices_.end(), device) != devices_.end()) return;
            devices_.push_back(device);
        }
        listeners_.notify(delivery, device, true);
    }

    void detach(const DevicePtr& device) {
        typename Listeners::Delivery delivery(listeners_);
        DevicePtr leaving;
        {
            foundation::MutexLock lock(mutex_);
            auto found = std::find(devices_.begin(), devices_.end(), device);
            if (found == devices_.end()) return;
            leaving = *found;
            devices_.erase(found);
        }
        listeners_.notify(delivery, leaving, false);
    }

    bool isAttached(const Device* device) const {
        foundation::MutexLock lock(mutex_);
        return std::any_of(devices_.begin(), devices_.end(),
                           [device](const DevicePtr& each) { return each.get() == device; });
    }

    std::vector<DevicePtr> devices() const {
        foundation::MutexLock lock(mutex_);
        return devices_;
    }

    // The listener stays until the subscription goes.
    foundation::Subscription addListener(Listener listener) {
        typename Listeners::Delivery delivery(listeners_);
        for (const auto& device : devices()) listener(device, true);
        return listeners_.add(std::move(listener));
    }

  private:
    using Listeners = foundation::ListenerList<const DevicePtr&, bool>;

    mutable foundation::Mutex mutex_;
    std::vector<DevicePtr> devices_ TAVRO_GUARDED_BY(mutex_);
    Listeners listeners_;
};

}  // namespace platform::hid
