#include "glasses/HidIO.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/foundation/BackgroundWork.h"

namespace {

constexpr int kReadSliceMs = 100;

}  // namespace

HidIO::HidIO() : api_(platform::hid::hidApiShared()) {
    if (api_->hid_init() != 0) std::printf("***hid_init failed!***");
}

HidIO::~HidIO() {
    close();
    api_->hid_exit();
}

platform::hid::HidDeviceHandle* HidIO::openHidByVidPid(uint16_t vendor, uint16_t product,
                                                       int interface) {
    platform::hid::HidDeviceInfo* devices = api_->hid_enumerate(vendor, product);
    platform::hid::HidDeviceHandle* handle = nullptr;
    for (auto* entry = devices; entry; entry = entry->next) {
        if (entry->vendor_id != vendor || entry->product_id != product) continue;
        if (interface != -1 && entry->interface_number != interface) continue;
        if (!entry->path.empty()) {
            std::printf("\n path=%s", entry->path.c_str());
            handle = api_->hid_open_path(entry->path.c_str());
            if (handle) {
                devicePath_ = entry->path;
                pathLength_ = static_cast<int32_t>(entry->path.size());
            }
        }
        break;
    }
    api_->hid_free_enumeration(devices);
    return handle;
}

bool HidIO::open(uint16_t vendor, uint16_t product, int interface) {
    close();
    handle_ = openHidByVidPid(vendor, product, interface);
    std::printf("\nOpendevice....handle=%p", static_cast<void*>(handle_));
    if (!handle_) return false;
    api_->hid_set_nonblocking(handle_, 0);
    return true;
}

bool HidIO::read(uint8_t* buffer, size_t length, int* count, int timeoutMs) {
    if (!handle_ || !buffer) {
        if (count) *count = -1;
        return false;
    }
    std::vector<uint8_t> received(length);
    // In slices, so that a reply that never comes does not hold up the application's quit.
    int got = 0;
    for (int left = timeoutMs; got == 0;) {
        const int slice = timeoutMs < 0 ? kReadSliceMs : std::min(left, kReadSliceMs);
        got = api_->hid_read_timeout(handle_, received.data(), length, slice);
        if (timeoutMs >= 0 && (left -= slice) <= 0) break;
        if (platform::foundation::BackgroundWork::stopping()) break;
    }
    if (count) *count = got;
    if (got < 0 || static_cast<size_t>(got) != length) return false;
    std::memcpy(buffer, received.data(), length);
    return true;
}

bool HidIO::write(const uint8_t* bytes, size_t length) {
    if (!handle_ || !bytes || length == 0) return false;
    const int written = api_->hid_write(handle_, bytes, length);
    return written >= 0 &&
           (static_cast<size_t>(written) == length || static_cast<size_t>(written) == length - 1);
}

void HidIO::close() {
    if (!handle_) return;
    api_->hid_close(handle_);
    handle_ = nullptr;
}
