#include "appstate/DepthCaptureControl.h"

#include "appstate/Guarded.h"

namespace {
Guarded<std::shared_ptr<DepthCaptureControl>>& slot() {
    static Guarded<std::shared_ptr<DepthCaptureControl>> control;
    return control;
}
}  // namespace

std::shared_ptr<DepthCaptureControl> DepthCaptureControl::installed() {
    return slot().get();
}

void DepthCaptureControl::install(std::shared_ptr<DepthCaptureControl> control) {
    slot().set(std::move(control));
}
