#include "platform/sim/VirtualHidDevice.h"

#include "platform/foundation/Mutex.h"

namespace platform::sim {

VirtualHidDevice::VirtualHidDevice(VirtualHidIdentity identity) : identity_(std::move(identity)) {
    properties_ = {
        {"VendorID", identity_.vendorId},
        {"ProductID", identity_.productId},
        {"Product", identity_.product},
        {"MaxInputReportSize", identity_.maxInputReportSize},
        {"VersionNumber", identity_.versionNumber},
    };
}

foundation::Value VirtualHidDevice::property(const std::string& key) const {
    foundation::MutexLock lock(mutex_);
    auto found = properties_.find(key);
    return found == properties_.end() ? foundation::Value() : found->second;
}

void VirtualHidDevice::setProperty(const std::string& key, foundation::Value value) {
    foundation::MutexLock lock(mutex_);
    properties_[key] = std::move(value);
}

int32_t VirtualHidDevice::setReport(hid::ReportType type, uint8_t reportId,
                                    std::span<const uint8_t> report) {
    {
        foundation::MutexLock lock(mutex_);
        outputReports_.push_back({type, reportId, {report.begin(), report.end()}});
    }
    outputArrived_.notify_all();
    if (type == hid::ReportType::Output) handleOutputReport(reportId, report);
    return hid::kIOReturnSuccess;
}

void VirtualHidDevice::handleOutputReport(uint8_t, std::span<const uint8_t>) {}

void VirtualHidDevice::sendInput(std::span<const uint8_t> report, uint8_t reportId) {
    sendInputReport(reportId, report);
}

std::vector<RecordedReport> VirtualHidDevice::outputReports() const {
    foundation::MutexLock lock(mutex_);
    return outputReports_;
}

size_t VirtualHidDevice::outputReportCount() const {
    foundation::MutexLock lock(mutex_);
    return outputReports_.size();
}

void VirtualHidDevice::clearOutputReports() {
    foundation::MutexLock lock(mutex_);
    outputReports_.clear();
}

bool VirtualHidDevice::waitForOutputReports(size_t count, std::chrono::milliseconds timeout) const {
    foundation::MutexLock lock(mutex_);
    return outputArrived_.wait_for(
        lock, timeout, [&]() TAVRO_REQUIRES(mutex_) { return outputReports_.size() >= count; });
}

}  // namespace platform::sim
