#include "appstate/DepthCaptureControl.h"

#include "platform/foundation/Guarded.h"

namespace {
platform::foundation::Guarded<std::shared_ptr<DepthCaptureControl>>& slot() {
    // Never destroyed: what it holds lives for the whole run.
    static auto* control =
        new platform::foundation::Guarded<std::shared_ptr<DepthCaptureControl>>();
    return *control;
}
}  // namespace

std::shared_ptr<DepthCaptureControl> DepthCaptureControl::installed() {
    return slot().get();
}

void DepthCaptureControl::install(std::shared_ptr<DepthCaptureControl> control) {
    slot().set(std::move(control));
}
