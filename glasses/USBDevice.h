#pragma once
// One USB device the USB device monitor found and opened: its registry entry, the vendor
// and product it reports once opened, and the interfaces it was opened through. The device
// stays open while a copy of the record holds its device interface, and closes when the
// last one goes. Any thread.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/hid/UsbDeviceInterface.h"

struct USBDevice {
    uint64_t id = 0;  // registry entry identifier
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string name;  // registry entry name
    std::shared_ptr<platform::hid::UsbDeviceInterface> deviceInterfacePtrPtr;
    std::shared_ptr<platform::hid::UsbPlugInInterface> plugInInterfacePtrPtr;
};
