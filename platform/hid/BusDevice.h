#pragma once
// A HID device as the machine's USB bus presents it: its properties ("VendorID",
// "ProductID", "Product", "LocationID", "MaxInputReportSize", "VersionNumber"), the output
// reports it receives and the input reports it sends. Backends (the simulated Mac's virtual
// devices) derive from it; HID managers hand their clients handles to it.
//
// Thread-safe: output reports arrive on the sender's thread; input reports may be sent from
// any thread and reach every listener on that thread, one report at a time (listeners only
// queue them). A listener stays until its subscription goes, and is not called after that.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/foundation/ListenerList.h"
#include "platform/foundation/Subscription.h"
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
    foundation::Subscription addInputListener(InputListener listener) {
        return inputListeners_.add(std::move(listener));
    }

  protected:
    // Hands an input report to every listener, on the calling thread.
    void sendInputReport(uint8_t reportId, std::span<const uint8_t> report) {
        inputListeners_.notify(reportId, report);
    }

  private:
    foundation::ListenerList<uint8_t, std::span<const uint8_t>> inputListeners_;
};

using BusDevicePtr = std::shared_ptr<BusDevice>;

}  // namespace platform::hid
