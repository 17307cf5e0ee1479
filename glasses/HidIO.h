#pragma once
// The HID transport to the firmware-update bootloader: opens the device by vendor,
// product and interface through the installed hidapi backend, writes requests and reads
// replies with a time-out, closes. The backend chosen when the transport is made stays
// its backend for its life.
//
// Blocking; used by one thread at a time, the thread of the update run.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/hid/HidApi.h"

class HidIO {
  public:
    HidIO();
    virtual ~HidIO();
    HidIO(const HidIO&) = delete;
    HidIO& operator=(const HidIO&) = delete;

    // Any interface when `interface` is -1. The device is switched to blocking reads.
    bool open(uint16_t vendor, uint16_t product, int interface);
    // True only when exactly `length` bytes came within the time-out; `count` (when given)
    // receives the bytes read or the negative error. Gives up early, within a tenth of a
    // second, once the application quits (BackgroundWork::stopping()).
    bool read(uint8_t* buffer, size_t length, int* count, int timeoutMs);
    // True when all bytes, or all but the report number, were written.
    bool write(const uint8_t* bytes, size_t length);
    void close();
    bool isOpen() const { return handle_ != nullptr; }
    // The device path of the open device (the whole path, however long).
    const std::string& path() const { return devicePath_; }
    int32_t pathLength() const { return pathLength_; }

  private:
    platform::hid::HidDeviceHandle* openHidByVidPid(uint16_t vendor, uint16_t product,
                                                    int interface);

    const std::shared_ptr<platform::hid::HidApi> api_;
    platform::hid::HidDeviceHandle* handle_ = nullptr;
    int32_t pathLength_ = 0;
    std::string devicePath_;
};
