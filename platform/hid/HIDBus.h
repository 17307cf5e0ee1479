#pragma once
// The machine's USB HID bus: the devices attached right now, and listeners told of every
// device that attaches or detaches. On this machine the simulated Mac attaches its virtual
// devices to it; HID managers watch it. Thread-safe (see DeviceRegistry).

#include "platform/hid/BusDevice.h"
#include "platform/hid/DeviceRegistry.h"

namespace platform::hid {

class HIDBus : public DeviceRegistry<BusDevice> {
  public:
    static HIDBus& system();
};

}  // namespace platform::hid
