#pragma once
// One device that glasses commands are sent to: every command frame leaves through
// sendReport as an output report of the device's report size. sendReport runs on the
// caller's thread and may be called from any thread.

#include <cstdint>
#include <span>

#include "glasses/HIDDevice.h"

class RFDevice {
  public:
    explicit RFDevice(HIDDevice info) : deviceInfo(std::move(info)) {}
    virtual ~RFDevice() = default;

    // Sends the first `deviceInfo.reportSize` bytes of `frame` with the low 8 bits of
    // `reportId`; returns the platform status (0 on success). A frame shorter than the
    // report size is refused rather than read past its end.
    virtual int32_t sendReport(std::span<const uint8_t> frame, int64_t reportId);

    const HIDDevice deviceInfo;
};
