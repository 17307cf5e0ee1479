#include "stereo3d/TavroDynamicDepthFilter.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/foundation/Mutex.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

void TavroDynamicDepthFilter::setParameters(const Parameters& parameters) {
    MutexLock lock(mutex_);
    parameters_ = parameters;
}

TavroDynamicDepthFilter::Parameters TavroDynamicDepthFilter::parameters() const {
    MutexLock lock(mutex_);
    return parameters_;
}

void TavroDynamicDepthFilter::reset() {
    MutexLock lock(mutex_);
    resetRequested_ = true;
}

bool TavroDynamicDepthFilter::apply(DepthMap& depth) {
    Parameters parameters;
    bool fresh = false;
    {
        MutexLock lock(mutex_);
        parameters = parameters_;
        fresh = std::exchange(resetRequested_, false);
    }
    // A map of another shape cannot be compared with the history: start again.
    if (fresh || history_.width != depth.width || history_.height != depth.height ||
        history_.depth.size() != depth.depth.size() || depth.depth.empty()) {
        history_ = depth;
        return true;
    }
    const size_t count = depth.depth.size();
    double difference = 0;
    for (size_t i = 0; i < count; ++i) difference += std::fabs(depth.depth[i] - history_.depth[i]);
    if (difference / double(count) > parameters.sceneChangeThresh) {
        history_ = depth;
        return true;
    }
    for (size_t i = 0; i < count; ++i) {
        const float previous = history_.depth[i];
        const float step = std::clamp(parameters.alpha * (depth.depth[i] - previous),
                                      -parameters.eta, parameters.eta);
        history_.depth[i] = previous + step;
    }
    depth.depth = history_.depth;
    return false;
}
