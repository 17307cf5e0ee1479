#pragma once
// The head tracker's fused orientation, guarded so that the fusion thread can write it while
// any other thread reads it; and the process-wide tracker, which exists only once head
// tracking has been started.
//
// Thread-safe.

#include <array>
#include <memory>
#include <span>

#include "platform/foundation/Guarded.h"

namespace headtracking {

// Quaternion in (x, y, z, w) order.
using Quaternion = std::array<float, 4>;

class HeadTracker {
  public:
    void setOrientation(const Quaternion& orientation) { orientation_.set(orientation); }
    Quaternion orientation() const { return orientation_.get(); }

  private:
    platform::foundation::Guarded<Quaternion> orientation_{Quaternion{0.0f, 0.0f, 0.0f, 1.0f}};
};

// The running tracker, or null.
std::shared_ptr<HeadTracker> currentHeadTracker();
void setCurrentHeadTracker(std::shared_ptr<HeadTracker> tracker);

}  // namespace headtracking

// Copies the running tracker's orientation (x, y, z, w) into `quat`; leaves it untouched
// when no tracker runs.
void head_imu_get_quat(std::span<float, 4> quat);
