#include "headtracking/HeadTracker.h"

#include <algorithm>

#include "platform/foundation/InstalledBackend.h"

namespace headtracking {
namespace {

constinit platform::foundation::InstalledBackend<HeadTracker> current;

}  // namespace

std::shared_ptr<HeadTracker> currentHeadTracker() {
    return current.get();
}

void setCurrentHeadTracker(std::shared_ptr<HeadTracker> tracker) {
    current.install(std::move(tracker));
}

}  // namespace headtracking

void head_imu_get_quat(std::span<float, 4> quat) {
    if (auto tracker = headtracking::currentHeadTracker()) {
        const headtracking::Quaternion orientation = tracker->orientation();
        std::copy(orientation.begin(), orientation.end(), quat.begin());
    }
}
