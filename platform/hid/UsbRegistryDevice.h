#pragma once
// A USB device as the machine's I/O registry presents it: its registry entry (identifier
// and name), its USB properties ("idVendor", "idProduct", "VendorID", "ProductID",
// "USB Product Name", "USB Vendor Name", "USB Serial Number"), the callout path of the
// serial-stream client beneath it when it has a serial interface, and the exclusive use
// that a client takes by opening it. Backends (the simulated Mac's virtual USB devices)
// derive from it.
//
// Thread-safe: any thread may read it, open it or close it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace platform::hid {

class UsbRegistryDevice {
  public:
    virtual ~UsbRegistryDevice() = default;

    virtual uint64_t registryEntryId() const = 0;
    virtual std::string registryEntryName() const = 0;
    // The device's property, or null when it has no such property.
    virtual foundation::Value property(const std::string& key) const = 0;
    // The serial interface's callout device ("/dev/cu.usbmodem1101"), when there is one.
    virtual std::optional<std::string> calloutDevice() const = 0;

    // Whether the device offers the user-client plug-in through which it is opened.
    virtual bool offersPlugIn() const = 0;
    // kIOReturnSuccess, kIOReturnExclusiveAccess when another client holds the device, or
    // another failure status.
    virtual int32_t open() = 0;
    virtual void close() = 0;
};

using UsbRegistryDevicePtr = std::shared_ptr<UsbRegistryDevice>;

}  // namespace platform::hid
