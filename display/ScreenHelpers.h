#pragma once
// Read-only facts about a screen's display: its number, vendor, model and serial numbers,
// and its product name from the I/O registry. Any thread.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/screens/Screen.h"

// "NSScreenNumber" of the device description (0 when it is missing).
uint32_t screenDisplayID(const platform::screens::Screen& screen);
std::optional<uint32_t> screenVendorNumber(const platform::screens::Screen& screen);
std::optional<uint32_t> screenModelNumber(const platform::screens::Screen& screen);
std::optional<uint32_t> screenSerialNumber(const platform::screens::Screen& screen);
std::optional<std::string> screenDisplayName(const platform::screens::Screen& screen);
