#pragma once
// A USB vendor/product pair. A plain value; any thread.

#include <cstdint>

struct USBMonitorData {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    bool operator==(const USBMonitorData&) const = default;
};
