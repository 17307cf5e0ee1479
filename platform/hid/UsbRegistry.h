#pragma once
// The machine's registry of USB devices: the devices attached right now, and listeners told
// of every device that attaches or detaches. On this machine the simulated Mac attaches its
// virtual USB devices to it; the USB matching notices and the serial-port listing read it.
//
// Thread-safe (see DeviceRegistry).

#include <string>

#include "platform/hid/DeviceRegistry.h"
#include "platform/hid/UsbRegistryDevice.h"

namespace platform::hid {

inline constexpr const char* kIOProviderClassKey = "IOProviderClass";

// A matching dictionary for services of `className` ({"IOProviderClass": className}).
foundation::Value serviceMatching(const std::string& className);

class UsbRegistry : public DeviceRegistry<UsbRegistryDevice> {
  public:
    static UsbRegistry& system();
};

}  // namespace platform::hid
