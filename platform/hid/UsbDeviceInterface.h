#pragma once
// Opening a USB device: the user-client plug-in made for a registry entry, and the device
// interface obtained from it, through which the device is opened and its identity read.
// A device interface that opened its device closes it when it goes, so holding the
// interface is holding the device open.
//
// Thread-safe; any thread.

#include <cstdint>
#include <memory>

#include "platform/foundation/Mutex.h"
#include "platform/hid/UsbNotificationPort.h"
#include "platform/hid/UsbRegistryDevice.h"

namespace platform::hid {

class UsbDeviceInterface {
  public:
    explicit UsbDeviceInterface(UsbRegistryDevicePtr device) : device_(std::move(device)) {}
    ~UsbDeviceInterface();
    UsbDeviceInterface(const UsbDeviceInterface&) = delete;
    UsbDeviceInterface& operator=(const UsbDeviceInterface&) = delete;

    // The device's open status; kIOReturnExclusiveAccess leaves it to the client holding it.
    int32_t open();
    int32_t close();
    bool isOpen() const;
    // kIOReturnSuccess with the value, or a failure status when the device does not give it.
    int32_t getDeviceVendor(uint16_t& vendor) const;
    int32_t getDeviceProduct(uint16_t& product) const;

  private:
    int32_t readNumber(const char* key, uint16_t& out) const;

    const UsbRegistryDevicePtr device_;
    mutable foundation::Mutex mutex_;
    bool open_ TAVRO_GUARDED_BY(mutex_) = false;
};

class UsbPlugInInterface {
  public:
    // The plug-in for the service's device, or null when the device offers none.
    static std::shared_ptr<UsbPlugInInterface> createForService(const UsbService& service);
    // The device interface (not yet open).
    std::shared_ptr<UsbDeviceInterface> queryDeviceInterface() const;

    explicit UsbPlugInInterface(UsbRegistryDevicePtr device) : device_(std::move(device)) {}

  private:
    const UsbRegistryDevicePtr device_;
};

}  // namespace platform::hid
