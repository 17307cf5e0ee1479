#include "platform/hid/RealHidApi.h"

#include <hidapi/hidapi.h>

namespace platform::hid {
namespace {

class RealDevice final : public HidDeviceHandle {
  public:
    explicit RealDevice(hid_device* opened) : device(opened) {}
    hid_device* const device;
};

hid_device* raw(HidDeviceHandle* handle) {
    auto* real = dynamic_cast<RealDevice*>(handle);
    return real ? real->device : nullptr;
}

std::string utf8(const wchar_t* text) {
    std::string out;
    if (!text) return out;
    for (; *text; ++text) {
        auto code = static_cast<uint32_t>(*text);
        if (code > 0x10FFFF) code = 0xFFFD;
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | code >> 18);
            out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

class RealHidApi final : public HidApi {
  public:
    int hid_init() override { return ::hid_init(); }
    int hid_exit() override { return ::hid_exit(); }

    HidDeviceInfo* hid_enumerate(uint16_t vendor_id, uint16_t product_id) override {
        ::hid_device_info* found = ::hid_enumerate(vendor_id, product_id);
        HidDeviceInfo* first = nullptr;
        HidDeviceInfo** tail = &first;
        for (auto* entry = found; entry; entry = entry->next) {
            auto* info = new HidDeviceInfo;
            info->path = entry->path ? entry->path : "";
            info->vendor_id = entry->vendor_id;
            info->product_id = entry->product_id;
            info->product_string = utf8(entry->product_string);
            info->interface_number = entry->interface_number;
            *tail = info;
            tail = &info->next;
        }
        ::hid_free_enumeration(found);
        return first;
    }

    HidDeviceHandle* hid_open_path(const char* path) override {
        if (!path) return nullptr;
        hid_device* device = ::hid_open_path(path);
        return device ? new RealDevice(device) : nullptr;
    }

    int hid_set_nonblocking(HidDeviceHandle* device, int nonblock) override {
        hid_device* handle = raw(device);
        return handle ? ::hid_set_nonblocking(handle, nonblock) : -1;
    }

    int hid_write(HidDeviceHandle* device, const unsigned char* data, size_t length) override {
        hid_device* handle = raw(device);
        return handle && data ? ::hid_write(handle, data, length) : -1;
    }

    int hid_read_timeout(HidDeviceHandle* device, unsigned char* data, size_t length,
                         int milliseconds) override {
        hid_device* handle = raw(device);
        return handle && data ? ::hid_read_timeout(handle, data, length, milliseconds) : -1;
    }

    void hid_close(HidDeviceHandle* device) override {
        if (hid_device* handle = raw(device)) ::hid_close(handle);
        delete device;
    }

    std::string hid_error(HidDeviceHandle* device) override {
        return utf8(::hid_error(raw(device)));
    }
};

}  // namespace

std::shared_ptr<HidApi> makeRealHidApi() {
    return std::make_shared<RealHidApi>();
}

}  // namespace platform::hid
