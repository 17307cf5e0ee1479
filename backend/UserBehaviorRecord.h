#pragma once
// One usage record: the columns of the usage table and the keys of the JSON object posted
// to the backend (the same names). Every column is nullable except uid; a column an event
// does not use holds null.
//
//   uid            TEXT, unique  random identifier of the record; the upload deletes by it
//   eventType      INTEGER       the BehaviorEventType value, 0 to 6
//   eventName      TEXT          its name, "app_launcheds", ...
//   eventTime      INTEGER       when the event happened, milliseconds since 1970 (UTC)
//   duration       REAL          seconds: time since launch (2), in the screen mode (4),
//                                in another application (6)
//   appName        TEXT          the other application's name (6)
//   modeType       INTEGER       screen mode, 0 web, 1 game, 2 video
//   deviceId       TEXT          the persistent device identifier
//   appVersion     TEXT          the bundle's short version
//   deviceModel    TEXT          the Mac's "hw.model"
//   cpuBrand       TEXT          the processor brand, lower-cased
//   region         TEXT          "domestic" or "overseas"
//   glassStatus    INTEGER       1 when glasses were connected
//   glassVersion   TEXT          firmware version tag of the connected glasses
//
// Constants only; thread-safe.

#include <array>
#include <string_view>

struct UserBehaviorColumn {
    std::string_view name;
    std::string_view sqlType;
};

namespace userbehavior {

inline constexpr const char* kUid = "uid";
inline constexpr const char* kEventType = "eventType";
inline constexpr const char* kEventName = "eventName";
inline constexpr const char* kEventTime = "eventTime";
inline constexpr const char* kDuration = "duration";
inline constexpr const char* kAppName = "appName";
inline constexpr const char* kModeType = "modeType";
inline constexpr const char* kDeviceId = "deviceId";
inline constexpr const char* kAppVersion = "appVersion";
inline constexpr const char* kDeviceModel = "deviceModel";
inline constexpr const char* kCpuBrand = "cpuBrand";
inline constexpr const char* kRegion = "region";
inline constexpr const char* kGlassStatus = "glassStatus";
inline constexpr const char* kGlassVersion = "glassVersion";

// In the table's order; uid first.
inline constexpr std::array<UserBehaviorColumn, 14> kColumns = {{
    {kUid, "TEXT"},
    {kEventType, "INTEGER"},
    {kEventName, "TEXT"},
    {kEventTime, "INTEGER"},
    {kDuration, "REAL"},
    {kAppName, "TEXT"},
    {kModeType, "INTEGER"},
    {kDeviceId, "TEXT"},
    {kAppVersion, "TEXT"},
    {kDeviceModel, "TEXT"},
    {kCpuBrand, "TEXT"},
    {kRegion, "TEXT"},
    {kGlassStatus, "INTEGER"},
    {kGlassVersion, "TEXT"},
}};

}  // namespace userbehavior
