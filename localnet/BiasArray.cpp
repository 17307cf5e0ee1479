#include "localnet/BiasArray.h"

#include "platform/foundation/Mutex.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

void BiasArray::addObject(platform::foundation::ValueArray entry) {
    MutexLock lock(mutex_);
    entries_.emplace_back(std::move(entry));
}

void BiasArray::removeAllObjects() {
    MutexLock lock(mutex_);
    entries_.clear();
}

size_t BiasArray::count() const {
    MutexLock lock(mutex_);
    return entries_.size();
}

platform::foundation::ValueArray BiasArray::entries() const {
    MutexLock lock(mutex_);
    return entries_;
}
