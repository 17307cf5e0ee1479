#pragma once
// A plain USB device of the simulated Mac, optionally with a serial interface (a USB modem
// or USB-serial adapter with a callout path like "/dev/cu.usbmodem1101"). It publishes its
// identity as registry properties, can change its product name while plugged, and can be
// told to refuse its plug-in or its opening, the way a device held by another client does.
//
// Thread-safe.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/foundation/Mutex.h"
#include "platform/hid/HIDTypes.h"
#include "platform/hid/UsbRegistryDevice.h"

namespace platform::sim {

struct VirtualUsbIdentity {
    int64_t vendorId = 0;
    int64_t productId = 0;
    std::string productName;
    std::string vendorName;
    std::string serialNumber;
    std::optional<std::string> calloutPath;  // the serial interface, when there is one
};

class VirtualUsbDevice : public hid::UsbRegistryDevice {
  public:
    explicit VirtualUsbDevice(VirtualUsbIdentity identity) : identity_(std::move(identity)) {}

    uint64_t registryEntryId() const override { return entryId_.load(); }
    std::string registryEntryName() const override;
    foundation::Value property(const std::string& key) const override;
    std::optional<std::string> calloutDevice() const override;
    bool offersPlugIn() const override { return offersPlugIn_.load(); }
    int32_t open() override;
    void close() override;

    // Set by the bus when the device plugs in.
    void setRegistryEntryId(uint64_t id) { entryId_.store(id); }
    void setProductName(std::string name);
    void setOffersPlugIn(bool offers) { offersPlugIn_.store(offers); }
    // The status of every later open; kIOReturnSuccess lets it open (once at a time).
    void setOpenStatus(int32_t status);
    bool isOpen() const;

  private:
    std::atomic<uint64_t> entryId_{0};
    std::atomic<bool> offersPlugIn_{true};

    mutable foundation::Mutex mutex_;
    VirtualUsbIdentity identity_ TAVRO_GUARDED_BY(mutex_);
    int32_t openStatus_ TAVRO_GUARDED_BY(mutex_) = hid::kIOReturnSuccess;
    bool open_ TAVRO_GUARDED_BY(mutex_) = false;
};

}  // namespace platform::sim
