#include "glasses/RFDevice.h"

#include "platform/hid/HIDTypes.h"

int32_t RFDevice::sendReport(std::span<const uint8_t> frame, int64_t reportId) {
    if (!deviceInfo.device) return platform::hid::kIOReturnNoDevice;
    if (deviceInfo.reportSize < 0 || static_cast<uint64_t>(deviceInfo.reportSize) > frame.size()) {
        return platform::hid::kIOReturnBadArgument;
    }
    return deviceInfo.device->setReport(platform::hid::ReportType::Output, reportId & 0xFF,
                                        frame.first(static_cast<size_t>(deviceInfo.reportSize)));
}
