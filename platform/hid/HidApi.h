#pragma once
// The hidapi calls the firmware updater's transport uses, behind one interface with two
// backends: the real hidapi library (hidraw, RealHidApi.h) for real devices, and the
// simulated Mac's HID bus (platform/sim/SimulatedHidApi.h). The run's factory
// (platform/backends) installs one of them for the process at start (setHidApi).
// The calls keep the library's names, argument order and results (negative on failure),
// so the transport reads as it would against the library.
//
// Thread-safe in the way hidapi is: one device handle is used by one thread at a time;
// enumeration, opening and the backend selection may run on any thread.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform::hid {

// One entry of an enumeration; entries form a list through `next`, freed as a whole by
// hid_free_enumeration.
struct HidDeviceInfo {
    std::string path;
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
    std::string product_string;
    int interface_number = -1;
    HidDeviceInfo* next = nullptr;
};

// An open device; made by hid_open_path, ended by hid_close.
class HidDeviceHandle {
  public:
    virtual ~HidDeviceHandle() = default;
};

class HidApi {
  public:
    virtual ~HidApi() = default;

    virtual int hid_init() = 0;
    virtual int hid_exit() = 0;
    // The devices with this vendor and product (0 matches any); null when none.
    virtual HidDeviceInfo* hid_enumerate(uint16_t vendor_id, uint16_t product_id) = 0;
    virtual void hid_free_enumeration(HidDeviceInfo* devices);
    // Null when the path names no device that can be opened.
    virtual HidDeviceHandle* hid_open_path(const char* path) = 0;
    virtual int hid_set_nonblocking(HidDeviceHandle* device, int nonblock) = 0;
    // data[0] is the report number; the rest is the report. Returns the bytes written.
    virtual int hid_write(HidDeviceHandle* device, const unsigned char* data, size_t length) = 0;
    // Waits up to `milliseconds` (-1: without limit) for an input report; returns its
    // length (0 when none came in time) or -1 on an error.
    virtual int hid_read_timeout(HidDeviceHandle* device, unsigned char* data, size_t length,
                                 int milliseconds) = 0;
    virtual void hid_close(HidDeviceHandle* device) = 0;
    // The last error of the device (or of the library when `device` is null), as text.
    virtual std::string hid_error(HidDeviceHandle* device) = 0;
};

// The installed backend (the real library until another is installed). Users keep the
// pointer for as long as they hold handles from it, so that a later selection cannot pull
// the backend from under them.
std::shared_ptr<HidApi> hidApiShared();
void setHidApi(std::shared_ptr<HidApi> api);

}  // namespace platform::hid
