#include "platform/hid/BusDevice.h"

namespace platform::hid {

uint64_t BusDevice::addInputListener(InputListener listener) {
    std::lock_guard lock(listenersMutex_);
    uint64_t id = nextListenerId_++;
    listeners_.emplace(id, std::move(listener));
    return id;
}

void BusDevice::removeInputListener(uint64_t id) {
    std::lock_guard lock(listenersMutex_);
    listeners_.erase(id);
}

void BusDevice::sendInputReport(uint8_t reportId, std::span<const uint8_t> report) {
    // Held while listeners run, so a removed listener is never called afterwards.
    std::lock_guard lock(listenersMutex_);
    for (auto& [id, listener] : listeners_) listener(reportId, report);
}

}  // namespace platform::hid
