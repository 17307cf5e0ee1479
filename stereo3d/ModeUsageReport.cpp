#include "stereo3d/ModeUsageReport.h"

#include "backend/TavroUserBehaviorReporting.h"

void reportModeUsage(int64_t mode, double seconds) {
    BehaviorEventDetails details;
    details.modeType = mode;
    details.duration = seconds;
    TavroUserBehaviorReporting::shared()->recordEvent(BehaviorEventType::use_mode_type, false,
                                                      details);
}
