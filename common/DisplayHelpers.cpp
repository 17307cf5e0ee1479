#include <vector>

#include "common/GlobalHelpers.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/Workspace.h"
#include "platform/screens/DisplayServices.h"

namespace common {

uint32_t onlineDisplayCount() {
    std::vector<platform::screens::DisplayId> displays;
    const auto error = platform::screens::onlineDisplayList(16, displays);
    if (error != platform::screens::kDisplaySuccess) {
        platform::foundation::standardOutputLine("获取显示器列表失败: " +
                                                 std::to_string(static_cast<int>(error)));
        return 0;
    }
    return static_cast<uint32_t>(displays.size());
}

float builtinBrightness(uint32_t builtinDisplayID) {
    if (builtinDisplayID == 0) return 0;
    float brightness = 0;
    (void)platform::screens::displayServicesGetBrightness(builtinDisplayID, brightness);
    return brightness;
}

void openDisplaySettings() {
    platform::foundation::Workspace::shared().openURL(
        "x-apple.systempreferences:com.apple.preference.displays");
}

void openScreenCapturePrivacySettings() {
    platform::foundation::Workspace::shared().openURL(
        "x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture");
}

}  // namespace common
