#include "stereo3d/ModeUsageReport.h"

#include "appstate/Guarded.h"

namespace {
Guarded<std::function<void(int64_t, double)>>& handler() {
    static Guarded<std::function<void(int64_t, double)>> installed;
    return installed;
}
}  // namespace

void reportModeUsage(int64_t mode, double startedAt) {
    if (auto test = handler().get()) {
        test(mode, startedAt);
        return;
    }
    // The backend's usage reporting takes it from here once it is linked in.
}

void setModeUsageReportHandler(std::function<void(int64_t mode, double startedAt)> handler_) {
    handler().set(std::move(handler_));
}
