#include "appstate/DepthCaptureControl.h"

#include "platform/foundation/InstalledBackend.h"

namespace {
constinit platform::foundation::InstalledBackend<DepthCaptureControl> installedControl;
}  // namespace

std::shared_ptr<DepthCaptureControl> DepthCaptureControl::installed() {
    return installedControl.get();
}

void DepthCaptureControl::install(std::shared_ptr<DepthCaptureControl> control) {
    installedControl.install(std::move(control));
}
