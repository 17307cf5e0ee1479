#include "platform/hid/UsbRegistry.h"

#include <algorithm>

namespace platform::hid {

foundation::Value serviceMatching(const std::string& className) {
    return foundation::Value(foundation::ValueDictionary{{kIOProviderClassKey, className}});
}

UsbRegistry& UsbRegistry::system() {
    static UsbRegistry registry;
    return registry;
}

void UsbRegistry::attach(UsbRegistryDevicePtr device) {
    std::lock_guard lock(mutex_);
    if (!device || std::find(devices_.begin(), devices_.end(), device) != devices_.end()) return;
    devices_.push_back(device);
    for (auto& entry : listeners_) entry.second(device, true);
}

void UsbRegistry::detach(const UsbRegistryDevicePtr& device) {
    std::lock_guard lock(mutex_);
    auto found = std::find(devices_.begin(), devices_.end(), device);
    if (found == devices_.end()) return;
    UsbRegistryDevicePtr leaving = *found;
    devices_.erase(found);
    for (auto& entry : listeners_) entry.second(leaving, false);
}

std::vector<UsbRegistryDevicePtr> UsbRegistry::devices() const {
    std::lock_guard lock(mutex_);
    return devices_;
}

uint64_t UsbRegistry::addListener(Listener listener) {
    std::lock_guard lock(mutex_);
    for (const auto& device : devices_) listener(device, true);
    const uint64_t id = nextListenerId_++;
    listeners_.emplace(id, std::move(listener));
    return id;
}

void UsbRegistry::removeListener(uint64_t id) {
    std::lock_guard lock(mutex_);
    listeners_.erase(id);
}

}  // namespace platform::hid
