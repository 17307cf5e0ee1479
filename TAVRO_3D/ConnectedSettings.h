#pragma once
// What the connected panel and the connected popover share: the three settings they both
// write (depth, screen mode, privacy-screen state) with their stored defaults, and the
// change-value messages by which each keeps the other in step. Main thread only.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/NotificationCenter.h"

namespace platform::ui {
class Button;
class ImageView;
}  // namespace platform::ui

namespace connected {

inline constexpr const char* kDepthDefaultsKey = "depthScaleValue_UserDefault";
inline constexpr const char* kScreenModeDefaultsKey = "ScreenModeUserDefaultsKey";
inline constexpr const char* kPrivacyDefaultsKey = "privacyScreenLockState_UserDefault";
// The panel posts under the small name and the popover listens; the other way round with
// the plain name.
inline constexpr const char* kChangeValueToPopover = "changeValue_NSNotification.NameSmall";
inline constexpr const char* kChangeValueToPanel = "changeValue_NSNotification.Name";
inline constexpr const char* kGlassVersionNotification =
    "get_tavro_glass_version_NSNotificationName";

enum class ChangeType : int64_t { Depth = 1, Mode = 2, Privacy = 3 };

// Posts { "type": ..., "value": ... }: a depth change as the number 1.0 with the position
// on the sender's bar, the others as integers.
void postDepthPosition(const std::string& name, double position);
void postModeChange(const std::string& name, int64_t mode);
void postPrivacyChange(const std::string& name, int64_t state);

struct ChangeValueMessage {
    int64_t type = 0;
    double value = 0;
};
// The message a notification carries; none when its object is not such a dictionary.
std::optional<ChangeValueMessage> readChangeValue(const platform::foundation::Notification& note);

// Writes the shared value and its stored default (synchronized).
void storeDepth(float depth);
void storeScreenMode(int64_t mode);
void storePrivacyState(int64_t state);

// Shows the selection mark of the delegate's screen mode (web, game, video) and hides the
// others; an unknown mode leaves the marks as they are.
void showModeMarks(const std::array<std::shared_ptr<platform::ui::ImageView>, 3>& marks);

// The toggle's state and picture from the delegate's privacy-screen state.
void showPrivacyState(platform::ui::Button& toggle);
// The toggle's picture for a state: "Toggle_on" for on, "Toggle_Off" otherwise.
void setToggleImage(platform::ui::Button& toggle, int64_t state);

// Fades the built-in screen out (state on) or restores its brightness.
void applyPrivacyToggle(int64_t state);

}  // namespace connected
