#pragma once
// What is known of one HID device, read afresh from its properties whenever it is needed;
// a missing property, or one of another type, gives the empty text or 0. Built on any
// thread.

#include <cstdint>
#include <string>

#include "platform/hid/Device.h"

struct HIDDevice {
    std::string id;  // "LocationID" when the device gives it as text
    int64_t vendorId = 0;
    int64_t productId = 0;
    int64_t reportSize = 0;  // "MaxInputReportSize": the length of every output report
    platform::hid::DevicePtr device;
    std::string name;  // "Product"
};

HIDDevice hidDeviceFromIOHIDDevice(const platform::hid::DevicePtr& device);
