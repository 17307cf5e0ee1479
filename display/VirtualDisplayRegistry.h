#pragma once
// The process-wide registry that keeps every created virtual display alive under its
// serial number until its dummy disconnects or the dummies are discarded. Thread-safe.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

#include "platform/foundation/Mutex.h"
#include "platform/screens/VirtualDisplay.h"

class VirtualDisplayRegistry {
  public:
    using DisplayPtr = std::shared_ptr<platform::screens::VirtualDisplay>;

    // Replaces (and drops) a display stored under the same serial.
    void store(uint32_t serial, DisplayPtr display);
    void remove(uint32_t serial);
    DisplayPtr find(uint32_t serial) const;
    size_t count() const;
    void clear();

  private:
    mutable platform::foundation::Mutex mutex_;
    std::map<uint32_t, DisplayPtr> displays_ TAVRO_GUARDED_BY(mutex_);
};

VirtualDisplayRegistry& virtualDisplayRegistry();
