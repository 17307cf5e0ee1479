#pragma once
// Process-wide state that the report parser keeps between reports: the mode of the last
// report, the last first-generation orientation, and the wear-sensor thresholds that the
// glasses reported and the wear-detection command sends back. Written on the HID monitor
// thread (thresholds also by the command builders on the caller's thread), read anywhere;
// every item is atomic or guarded.

#include <array>
#include <cstdint>

namespace glass_report_state {

int32_t lastMode();
void setLastMode(int32_t mode);

std::array<float, 4> lastOrientation();
void setLastOrientation(const std::array<float, 4>& quaternion);

struct WearThresholds {
    uint16_t first = 0;
    uint16_t second = 0;
};
WearThresholds wearThresholds();
void setWearThresholds(WearThresholds thresholds);

}  // namespace glass_report_state
