#include "localnet/BiasArray.h"

#include <utility>

void BiasArray::addObject(platform::foundation::ValueArray entry) {
    entries_.update(
        [&](platform::foundation::ValueArray& entries) { entries.emplace_back(std::move(entry)); });
}

void BiasArray::removeAllObjects() {
    entries_.set({});
}

size_t BiasArray::count() const {
    return entries_.update(
        [](const platform::foundation::ValueArray& entries) { return entries.size(); });
}
