#pragma once
// A registry of attached devices with listeners: the shape both the HID bus and the USB
// registry share. Listeners are told of every device that attaches or detaches, and a new
// listener is told at once of every device attached now, so that no change falls between
// the listing and the listening.
//
// Thread-safe. Listeners run on the attaching or detaching thread, one change at a time and
// in the order of the changes; they must only queue work (they may not attach or detach).

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace platform::hid {

template <class Device>
class DeviceRegistry {
  public:
    using DevicePtr = std::shared_ptr<Device>;
    using Listener = std::function<void(const DevicePtr& device, bool attached)>;

    // Attaching a device that is attached already, or detaching one that is not, does
    // nothing.
    void attach(DevicePtr device) {
        std::lock_guard lock(mutex_);
        if (!device || std::find(devices_.begin(), devices_.end(), device) != devices_.end()) {
            return;
        }
        devices_.push_back(device);
        for (auto& entry : listeners_) entry.second(device, true);
    }

    void detach(const DevicePtr& device) {
        std::lock_guard lock(mutex_);
        auto found = std::find(devices_.begin(), devices_.end(), device);
        if (found == devices_.end()) return;
        DevicePtr leaving = *found;
        devices_.erase(found);
        for (auto& entry : listeners_) entry.second(leaving, false);
    }

    bool isAttached(const Device* device) const {
        std::lock_guard lock(mutex_);
        return std::any_of(devices_.begin(), devices_.end(),
                           [device](const DevicePtr& each) { return each.get() == device; });
    }

    std::vector<DevicePtr> devices() const {
        std::lock_guard lock(mutex_);
        return devices_;
    }

    uint64_t addListener(Listener listener) {
        std::lock_guard lock(mutex_);
        for (const auto& device : devices_) listener(device, true);
        const uint64_t id = nextListenerId_++;
        listeners_.emplace(id, std::move(listener));
        return id;
    }

    void removeListener(uint64_t id) {
        std::lock_guard lock(mutex_);
        listeners_.erase(id);
    }

  private:
    mutable std::recursive_mutex mutex_;
    std::vector<DevicePtr> devices_;
    std::map<uint64_t, Listener> listeners_;
    uint64_t nextListenerId_ = 1;
};

}  // namespace platform::hid
