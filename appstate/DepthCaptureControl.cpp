#include "appstate/DepthCaptureControl.h"

#include "appstate/Guarded.h"

namespace {
Guarded<std::shared_ptr<DepthCaptureControl>>& slot() {
    // Never destroyed: what it holds lives for the whole run.
    static auto* control = new Guarded<std::shared_ptr<DepthCaptureControl>>();
    return *control;
}
}  // namespace

std::shared_ptr<DepthCaptureControl> DepthCaptureControl::installed() {
    return slot().get();
}

void DepthCaptureControl::install(std::shared_ptr<DepthCaptureControl> control) {
    slot().set(std::move(control));
}
