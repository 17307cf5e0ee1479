#include "platform/hid/UsbDeviceInterface.h"

#include <limits>

#include "platform/foundation/Mutex.h"
#include "platform/hid/HIDTypes.h"

namespace platform::hid {

UsbDeviceInterface::~UsbDeviceInterface() {
    close();
}

int32_t UsbDeviceInterface::open() {
    foundation::MutexLock lock(mutex_);
    if (open_) return kIOReturnExclusiveAccess;
    const int32_t status = device_->open();
    open_ = status == kIOReturnSuccess;
    return status;
}

int32_t UsbDeviceInterface::close() {
    foundation::MutexLock lock(mutex_);
    if (!open_) return kIOReturnNotOpen;
    open_ = false;
    device_->close();
    return kIOReturnSuccess;
}

bool UsbDeviceInterface::isOpen() const {
    foundation::MutexLock lock(mutex_);
    return open_;
}

int32_t UsbDeviceInterface::readNumber(const char* key, uint16_t& out) const {
    const foundation::Value value = device_->property(key);
    if (value.kind() != foundation::Value::Kind::Integer) return kIOReturnNoDevice;
    const int64_t number = value.asInt64();
    if (number < 0 || number > std::numeric_limits<uint16_t>::max()) return kIOReturnError;
    out = static_cast<uint16_t>(number);
    return kIOReturnSuccess;
}

int32_t UsbDeviceInterface::getDeviceVendor(uint16_t& vendor) const {
    return readNumber("idVendor", vendor);
}

int32_t UsbDeviceInterface::getDeviceProduct(uint16_t& product) const {
    return readNumber("idProduct", product);
}

std::shared_ptr<UsbPlugInInterface> UsbPlugInInterface::createForService(
    const UsbService& service) {
    if (!service.device() || !service.device()->offersPlugIn()) return nullptr;
    return std::make_shared<UsbPlugInInterface>(service.device());
}

std::shared_ptr<UsbDeviceInterface> UsbPlugInInterface::queryDeviceInterface() const {
    return std::make_shared<UsbDeviceInterface>(device_);
}

}  // namespace platform::hid
