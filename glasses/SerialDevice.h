#pragma once
// One serial port as the serial-device monitor sees it: its callout path and the identity
// of the USB device it belongs to, each absent when the registry does not give it. A port
// is its path: two records are equal, and hash alike, when their paths are, whatever the
// other fields say. A plain value; any thread.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct SerialDevice {
    std::string path;                         // "IOCalloutDevice"
    std::optional<std::string> name;          // "USB Product Name"
    std::optional<std::string> vendorName;    // "USB Vendor Name"
    std::optional<std::string> serialNumber;  // "USB Serial Number"
    std::optional<int64_t> vendorId;          // "idVendor"
    std::optional<int64_t> productId;         // "idProduct"

    bool operator==(const SerialDevice& other) const { return path == other.path; }
};

template <>
struct std::hash<SerialDevice> {
    size_t operator()(const SerialDevice& device) const noexcept {
        return std::hash<std::string>{}(device.path);
    }
};
