#pragma once
// The kinds of usage event the application reports, with the names the backend knows them
// by. Pure, thread-safe.

#include <optional>
#include <string>

enum class BehaviorEventType : int {
    app_installations = 0,
    app_launcheds = 1,
    app_use_duration = 2,
    use_computer_configuration = 3,
    use_mode_type = 4,
    user_do_some_things = 5,
    other_apps_monitor = 6,
};

// "app_installations", ...; "" for a value outside the list.
std::string behaviorEventTypeName(BehaviorEventType type);
std::optional<BehaviorEventType> behaviorEventTypeFromInt(int64_t value);
