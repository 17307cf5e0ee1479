#include "localnet/BiasArray.h"

void BiasArray::addObject(platform::foundation::ValueArray entry) {
    std::lock_guard lock(mutex_);
    entries_.emplace_back(std::move(entry));
}

void BiasArray::removeAllObjects() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}

size_t BiasArray::count() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

platform::foundation::ValueArray BiasArray::entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}
