#pragma once
// Report types and result codes of the HID stand-in, with the values the platform uses.

#include <cstdint>

namespace platform::hid {

enum class ReportType { Input = 0, Output = 1, Feature = 2 };

inline constexpr int32_t kIOReturnSuccess = 0;
inline constexpr int32_t kIOReturnBadArgument = static_cast<int32_t>(0xE00002C2);
inline constexpr int32_t kIOReturnNotOpen = static_cast<int32_t>(0xE00002CD);
inline constexpr int32_t kIOReturnNoDevice = static_cast<int32_t>(0xE00002C0);
inline constexpr int32_t kIOReturnNotAttached = static_cast<int32_t>(0xE00002D8);
inline constexpr int32_t kIOReturnExclusiveAccess = static_cast<int32_t>(0xE00002C5);
inline constexpr int32_t kIOReturnError = static_cast<int32_t>(0xE00002BC);

}  // namespace platform::hid
