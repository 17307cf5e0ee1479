#pragma once
// A virtual HID device of the simulated Mac: fixed properties, every output report it
// receives recorded (tests assert the bytes on the bus), and input reports sent on demand.
// Device kinds with a protocol derive from it and answer in handleOutputReport.
//
// Thread-safe: output reports arrive on the sender's thread, input reports may be sent
// from any thread.

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "platform/foundation/Value.h"
#include "platform/hid/BusDevice.h"

namespace platform::sim {

struct VirtualHidIdentity {
    int64_t vendorId = 0;
    int64_t productId = 0;
    std::string product;
    int64_t maxInputReportSize = 64;
    int64_t versionNumber = 0x0100;
};

struct RecordedReport {
    hid::ReportType type = hid::ReportType::Output;
    uint8_t reportId = 0;
    std::vector<uint8_t> bytes;
};

class VirtualHidDevice : public hid::BusDevice {
  public:
    explicit VirtualHidDevice(VirtualHidIdentity identity);

    foundation::Value property(const std::string& key) const override;
    int32_t setReport(hid::ReportType type, uint8_t reportId,
                      std::span<const uint8_t> report) override;

    // Changes or adds a property (the bus assigns "LocationID" when the device plugs in).
    void setProperty(const std::string& key, foundation::Value value);
    const VirtualHidIdentity& identity() const { return identity_; }

    void sendInput(std::span<const uint8_t> report, uint8_t reportId = 0);

    std::vector<RecordedReport> outputReports() const;
    size_t outputReportCount() const;
    void clearOutputReports();
    // Waits (real time) until at least `count` output reports have arrived.
    bool waitForOutputReports(size_t count, std::chrono::milliseconds timeout) const;

  protected:
    // Called for every output report after it is recorded, on the sender's thread.
    virtual void handleOutputReport(uint8_t reportId, std::span<const uint8_t> report);

  private:
    const VirtualHidIdentity identity_;
    mutable foundation::Mutex mutex_;
    mutable foundation::ConditionVariable outputArrived_;
    foundation::ValueDictionary properties_ TAVRO_GUARDED_BY(mutex_);
    std::vector<RecordedReport> outputReports_ TAVRO_GUARDED_BY(mutex_);
};

}  // namespace platform::sim
