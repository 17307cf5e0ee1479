#pragma once
// A HID manager's handle to one matched device: its properties, output reports to it, and
// its input reports delivered to a registered callback through the caller's buffer. The
// handle stays the same object from matching to removal, so clients compare handles by
// identity.
//
// getProperty and setReport may be called from any thread (setReport runs on the caller's
// thread). Input-report callbacks run on the run loop the manager is scheduled on; the
// report is copied into the registered buffer there, so the buffer is touched on that
// thread only.
//
// Reports wait for that thread in a bounded queue, as on the platform: while the thread is
// held up, the newest kInputReportQueueDepth reports are kept and older ones are dropped
// (and counted), so a stall costs neither unbounded memory nor a long tail of stale reports.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/foundation/Mutex.h"
#include "platform/foundation/Subscription.h"
#include "platform/foundation/Value.h"
#include "platform/hid/BusDevice.h"
#include "platform/hid/RunLoopDelivery.h"

namespace platform::hid {

class Device;
using DevicePtr = std::shared_ptr<Device>;

class Device : public std::enable_shared_from_this<Device> {
  public:
    Device(BusDevicePtr busDevice, std::shared_ptr<RunLoopDelivery> delivery);
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    foundation::Value getProperty(const std::string& key) const;
    // Only the low 8 bits of the report identifier travel. kIOReturnNotAttached once the
    // device has gone.
    int32_t setReport(ReportType type, int64_t reportId, std::span<const uint8_t> report);

    // `report` is the start of `buffer`, as long as the report (cut to the buffer's size).
    using InputReportCallback =
        std::function<void(int32_t result, const DevicePtr& sender, ReportType type,
                           uint32_t reportId, std::span<uint8_t> report)>;
    // The buffer must stay valid while the device may report; a later registration
    // replaces the earlier one.
    void registerInputReportCallback(std::span<uint8_t> buffer, InputReportCallback callback);

    // Called by the manager when the device leaves the bus: no further reports.
    void markDetached();
    bool isAttached() const;

    static constexpr size_t kInputReportQueueDepth = 32;
    // Reports dropped so far because the queue was full.
    uint64_t droppedInputReports() const;

  private:
    class InputQueue;
    void deliverInputReport(uint8_t reportId, std::span<const uint8_t> bytes);

    const BusDevicePtr busDevice_;
    const std::shared_ptr<RunLoopDelivery> delivery_;
    // Shared with the bus listener, which must not keep the device itself alive.
    const std::shared_ptr<InputQueue> inputQueue_;
    mutable foundation::Mutex mutex_;
    std::span<uint8_t> buffer_ TAVRO_GUARDED_BY(mutex_);
    InputReportCallback callback_ TAVRO_GUARDED_BY(mutex_);
    bool attached_ TAVRO_GUARDED_BY(mutex_) = true;
    foundation::Subscription inputListener_ TAVRO_GUARDED_BY(mutex_);
};

}  // namespace platform::hid
