#include "glasses/GlassReportState.h"

#include <atomic>

#include "platform/foundation/Guarded.h"

namespace glass_report_state {
namespace {

std::atomic<int32_t> gLastMode{1};
constinit platform::foundation::Guarded<std::array<float, 4>> gLastOrientation;
// Both thresholds in one word, so a reader never sees one of a pair with the other.
std::atomic<uint32_t> gWearThresholds{0};

}  // namespace

int32_t lastMode() {
    return gLastMode.load(std::memory_order_relaxed);
}
void setLastMode(int32_t mode) {
    gLastMode.store(mode, std::memory_order_relaxed);
}

std::array<float, 4> lastOrientation() {
    return gLastOrientation.get();
}

void setLastOrientation(const std::array<float, 4>& quaternion) {
    gLastOrientation.set(quaternion);
}

WearThresholds wearThresholds() {
    uint32_t packed = gWearThresholds.load();
    return {static_cast<uint16_t>(packed), static_cast<uint16_t>(packed >> 16)};
}

void setWearThresholds(WearThresholds thresholds) {
    gWearThresholds.store(static_cast<uint32_t>(thresholds.first) |
                          static_cast<uint32_t>(thresholds.second) << 16);
}

}  // namespace glass_report_state
