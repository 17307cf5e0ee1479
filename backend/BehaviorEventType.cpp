#include "backend/BehaviorEventType.h"

#include <array>
#include <cstdint>

namespace {

constexpr std::array<const char*, 7> kNames = {
    "app_installations", "app_launcheds",       "app_use_duration",  "use_computer_configuration",
    "use_mode_type",     "user_do_some_things", "other_apps_monitor"};

}  // namespace

std::string behaviorEventTypeName(BehaviorEventType type) {
    auto index = static_cast<size_t>(type);
    return index < kNames.size() ? kNames[index] : "";
}

std::optional<BehaviorEventType> behaviorEventTypeFromInt(int64_t value) {
    if (value < 0 || value >= static_cast<int64_t>(kNames.size())) return std::nullopt;
    return static_cast<BehaviorEventType>(value);
}
