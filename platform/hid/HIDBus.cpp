#include "platform/hid/HIDBus.h"

#include <algorithm>

namespace platform::hid {

HIDBus& HIDBus::system() {
    static HIDBus bus;
    return bus;
}

void HIDBus::attach(BusDevicePtr device) {
    std::lock_guard lock(mutex_);
    if (!device || std::find(devices_.begin(), devices_.end(), device) != devices_.end()) return;
    devices_.push_back(device);
    for (auto& [id, listener] : listeners_) listener(device, true);
}

void HIDBus::detach(const BusDevicePtr& device) {
    std::lock_guard lock(mutex_);
    auto found = std::find(devices_.begin(), devices_.end(), device);
    if (found == devices_.end()) return;
    BusDevicePtr leaving = *found;
    devices_.erase(found);
    for (auto& [id, listener] : listeners_) listener(leaving, false);
}

bool HIDBus::isAttached(const BusDevice* device) const {
    std::lock_guard lock(mutex_);
    return std::any_of(devices_.begin(), devices_.end(),
                       [device](const BusDevicePtr& each) { return each.get() == device; });
}

std::vector<BusDevicePtr> HIDBus::devices() const {
    std::lock_guard lock(mutex_);
    return devices_;
}

uint64_t HIDBus::addListener(Listener listener) {
    std::lock_guard lock(mutex_);
    for (const auto& device : devices_) listener(device, true);
    uint64_t id = nextListenerId_++;
    listeners_.emplace(id, std::move(listener));
    return id;
}

void HIDBus::removeListener(uint64_t id) {
    std::lock_guard lock(mutex_);
    listeners_.erase(id);
}

}  // namespace platform::hid
