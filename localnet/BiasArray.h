#pragma once
// The IMU bias table that the glasses report parser fills one reply at a time and the
// calibration screen empties: each entry is a list of eight numbers. One list object lives
// as long as the companion server; the completion dictionary refers to this object, so
// entries appended after completion show through it. Thread-safe.

#include "platform/foundation/Guarded.h"
#include "platform/foundation/Value.h"

class BiasArray {
  public:
    void addObject(platform::foundation::ValueArray entry);
    void removeAllObjects();
    size_t count() const;
    platform::foundation::ValueArray entries() const { return entries_.get(); }

  private:
    // Mutable: count() reads the size under the value's lock without copying the entries.
    mutable platform::foundation::Guarded<platform::foundation::ValueArray> entries_;
};
