#include "display/VirtualDisplayRegistry.h"

#include <utility>

#include "platform/foundation/Mutex.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

VirtualDisplayRegistry& virtualDisplayRegistry() {
    static VirtualDisplayRegistry registry;
    return registry;
}

// Displays leave the registry before they are dropped, so that the platform's removal of
// a display never runs under the registry's lock.
void VirtualDisplayRegistry::store(uint32_t serial, DisplayPtr display) {
    DisplayPtr previous;
    MutexLock lock(mutex_);
    previous = std::exchange(displays_[serial], std::move(display));
}

void VirtualDisplayRegistry::remove(uint32_t serial) {
    DisplayPtr previous;
    MutexLock lock(mutex_);
    if (auto found = displays_.find(serial); found != displays_.end()) {
        previous = std::move(found->second);
        displays_.erase(found);
    }
}

VirtualDisplayRegistry::DisplayPtr VirtualDisplayRegistry::find(uint32_t serial) const {
    MutexLock lock(mutex_);
    auto found = displays_.find(serial);
    return found == displays_.end() ? nullptr : found->second;
}

size_t VirtualDisplayRegistry::count() const {
    MutexLock lock(mutex_);
    return displays_.size();
}

void VirtualDisplayRegistry::clear() {
    std::map<uint32_t, DisplayPtr> dropped;
    MutexLock lock(mutex_);
    dropped.swap(displays_);
}
