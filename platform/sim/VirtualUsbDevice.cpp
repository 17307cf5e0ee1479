#include "platform/sim/VirtualUsbDevice.h"

#include "platform/foundation/Mutex.h"

namespace platform::sim {

std::string VirtualUsbDevice::registryEntryName() const {
    foundation::MutexLock lock(mutex_);
    return identity_.productName;
}

foundation::Value VirtualUsbDevice::property(const std::string& key) const {
    foundation::MutexLock lock(mutex_);
    // A USB device answers matching by its vendor and product under both spellings.
    if (key == "idVendor" || key == "VendorID") return identity_.vendorId;
    if (key == "idProduct" || key == "ProductID") return identity_.productId;
    if (key == "USB Product Name") return identity_.productName;
    if (key == "USB Vendor Name") return identity_.vendorName;
    if (key == "USB Serial Number") return identity_.serialNumber;
    return {};
}

std::optional<std::string> VirtualUsbDevice::calloutDevice() const {
    foundation::MutexLock lock(mutex_);
    return identity_.calloutPath;
}

int32_t VirtualUsbDevice::open() {
    foundation::MutexLock lock(mutex_);
    if (openStatus_ != hid::kIOReturnSuccess) return openStatus_;
    if (open_) return hid::kIOReturnExclusiveAccess;
    open_ = true;
    return hid::kIOReturnSuccess;
}

void VirtualUsbDevice::close() {
    foundation::MutexLock lock(mutex_);
    open_ = false;
}

void VirtualUsbDevice::setProductName(std::string name) {
    foundation::MutexLock lock(mutex_);
    identity_.productName = std::move(name);
}

void VirtualUsbDevice::setOpenStatus(int32_t status) {
    foundation::MutexLock lock(mutex_);
    openStatus_ = status;
}

bool VirtualUsbDevice::isOpen() const {
    foundation::MutexLock lock(mutex_);
    return open_;
}

}  // namespace platform::sim
