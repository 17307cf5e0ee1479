#include "headtracking/HeadTracker.h"

#include <algorithm>

namespace headtracking {
namespace {

std::mutex& currentMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<HeadTracker>& current() {
    static std::shared_ptr<HeadTracker> tracker;
    return tracker;
}

}  // namespace

void HeadTracker::setOrientation(const Quaternion& orientation) {
    std::lock_guard lock(mutex_);
    orientation_ = orientation;
}

Quaternion HeadTracker::orientation() const {
    std::lock_guard lock(mutex_);
    return orientation_;
}

std::shared_ptr<HeadTracker> currentHeadTracker() {
    std::lock_guard lock(currentMutex());
    return current();
}

void setCurrentHeadTracker(std::shared_ptr<HeadTracker> tracker) {
    std::lock_guard lock(currentMutex());
    current() = std::move(tracker);
}

}  // namespace headtracking

void head_imu_get_quat(std::span<float, 4> quat) {
    if (auto tracker = headtracking::currentHeadTracker()) {
        const headtracking::Quaternion orientation = tracker->orientation();
        std::copy(orientation.begin(), orientation.end(), quat.begin());
    }
}
