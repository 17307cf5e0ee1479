#pragma once
// The values the display services speak in: display identifiers, modes, points and
// rectangles, error codes and the reconfiguration flags. Plain values, any thread.

#include <cstdint>
#include <string>
#include <vector>

namespace platform::screens {

using DisplayId = uint32_t;
constexpr DisplayId kNullDisplay = 0;

// Result of a display-services call: 0 success, anything else a failure.
using DisplayError = int32_t;
constexpr DisplayError kDisplaySuccess = 0;
constexpr DisplayError kDisplayFailure = 1000;
constexpr DisplayError kDisplayIllegalArgument = 1001;
constexpr DisplayError kDisplayInvalidConnection = 1002;

// Option of a configuration completion: until the next launch only, or permanently.
constexpr int32_t kConfigureForAppOnly = 0;
constexpr int32_t kConfigureForSession = 1;
constexpr int32_t kConfigurePermanently = 2;

// Flags of a reconfiguration callback, as the platform numbers them.
constexpr uint32_t kDisplaySetMainFlag = 4;
constexpr uint32_t kDisplaySetModeFlag = 8;
constexpr uint32_t kDisplayAddFlag = 16;
constexpr uint32_t kDisplayRemoveFlag = 32;

// Vendor and model numbers a display without them reports.
constexpr uint32_t kUnknownDisplayNumber = 0xFFFFFFFF;

struct DisplayMode {
    uint32_t width = 0;
    uint32_t height = 0;
    double refreshRate = 0;
    bool operator==(const DisplayMode&) const = default;
};

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    bool operator==(const Rect&) const = default;
};

// One display as the display server holds it. Origins are in global display coordinates
// (y grows downwards, the main display at (0, 0)); a display that mirrors another names
// that one in `mirrorOf` and shares its origin.
struct DisplayInfo {
    DisplayId id = kNullDisplay;
    std::string name;
    uint32_t vendor = kUnknownDisplayNumber;
    uint32_t model = kUnknownDisplayNumber;
    uint32_t serial = 0;
    bool builtin = false;
    bool isVirtual = false;
    std::vector<DisplayMode> modes;
    size_t currentMode = 0;
    Point origin;
    DisplayId mirrorOf = kNullDisplay;
    bool operator==(const DisplayInfo&) const = default;

    // The current mode; a display without modes has an empty one.
    DisplayMode mode() const {
        return currentMode < modes.size() ? modes[currentMode] : DisplayMode{};
    }
};

}  // namespace platform::screens
