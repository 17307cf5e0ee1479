#include "platform/hid/Device.h"

#include <algorithm>
#include <vector>

namespace platform::hid {

Device::Device(BusDevicePtr busDevice, std::shared_ptr<RunLoopDelivery> delivery)
    : busDevice_(std::move(busDevice)), delivery_(std::move(delivery)) {}

Device::~Device() {
    if (listenerId_ != 0) busDevice_->removeInputListener(listenerId_);
}

foundation::Value Device::getProperty(const std::string& key) const {
    return busDevice_->property(key);
}

int32_t Device::setReport(ReportType type, int64_t reportId, std::span<const uint8_t> report) {
    if (!isAttached()) return kIOReturnNotAttached;
    return busDevice_->setReport(type, static_cast<uint8_t>(reportId & 0xFF), report);
}

void Device::registerInputReportCallback(std::span<uint8_t> buffer, InputReportCallback callback) {
    uint64_t previous = 0;
    {
        std::lock_guard lock(mutex_);
        buffer_ = buffer;
        callback_ = std::move(callback);
        if (!attached_) return;
        previous = listenerId_;
        listenerId_ = 0;
    }
    if (previous != 0) busDevice_->removeInputListener(previous);
    std::weak_ptr<Device> weak = weak_from_this();
    uint64_t id = busDevice_->addInputListener(
        [weak, delivery = delivery_](uint8_t reportId, std::span<const uint8_t> report) {
            delivery->deliver(
                [weak, reportId, bytes = std::vector<uint8_t>(report.begin(), report.end())] {
                    if (auto device = weak.lock()) device->deliverInputReport(reportId, bytes);
                });
        });
    std::lock_guard lock(mutex_);
    listenerId_ = id;
}

void Device::deliverInputReport(uint8_t reportId, std::span<const uint8_t> bytes) {
    std::span<uint8_t> buffer;
    InputReportCallback callback;
    {
        std::lock_guard lock(mutex_);
        if (!attached_ || !callback_) return;
        buffer = buffer_;
        callback = callback_;
    }
    const size_t length = std::min(bytes.size(), buffer.size());
    std::copy_n(bytes.begin(), length, buffer.begin());
    callback(kIOReturnSuccess, shared_from_this(), ReportType::Input, reportId,
             buffer.first(length));
}

void Device::markDetached() {
    uint64_t listener = 0;
    {
        std::lock_guard lock(mutex_);
        attached_ = false;
        std::swap(listener, listenerId_);
    }
    if (listener != 0) busDevice_->removeInputListener(listener);
}

bool Device::isAttached() const {
    std::lock_guard lock(mutex_);
    return attached_;
}

}  // namespace platform::hid
