#pragma once
// A HID device as the machine's USB bus presents it: its properties ("VendorID",
// "ProductID", "Product", "LocationID", "MaxInputReportSize", "VersionNumber"), the output
// reports it receives and the input reports it sends. Backends (the simulated Mac's virtual
// devices) derive from it; HID managers hand their clients handles to it.
//
// Thread-safe: output reports arrive on the sender's thread; input reports may be sent from
// any thread and reach every listener on that thread (listeners only queue them).

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "platform/foundation/Value.h"
#include "platform/hid/HIDTypes.h"

namespace platform::hid {

class BusDevice : public std::enable_shared_from_this<BusDevice> {
  public:
    virtual ~BusDevice() = default;

    // The property's value, or null when the device has no such property.
    virtual foundation::Value property(const std::string& key) const = 0;
    // An output or feature report from the host; the result is the platform status.
    virtual int32_t setReport(ReportType type, uint8_t reportId,
                              std::span<const uint8_t> report) = 0;

    using InputListener = std::function<void(uint8_t reportId, std::span<const uint8_t> report)>;
    uint64_t addInputListener(InputListener listener);
    void removeInputListener(uint64_t id);

  protected:
    // Hands an input report to every listener, on the calling thread.
    void sendInputReport(uint8_t reportId, std::span<const uint8_t> report);

  private:
    std::mutex listenersMutex_;
    std::map<uint64_t, InputListener> listeners_;
    uint64_t nextListenerId_ = 1;
};

using BusDevicePtr = std::shared_ptr<BusDevice>;

}  // namespace platform::hid
