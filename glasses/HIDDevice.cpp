#include "glasses/HIDDevice.h"

using platform::foundation::Value;

namespace {

std::string textProperty(const platform::hid::Device& device, const char* key) {
    Value value = device.getProperty(key);
    return value.isText() ? value.text() : std::string();
}

int64_t numberProperty(const platform::hid::Device& device, const char* key) {
    Value value = device.getProperty(key);
    return value.isNumber() ? value.asInt64() : 0;
}

}  // namespace

HIDDevice hidDeviceFromIOHIDDevice(const platform::hid::DevicePtr& device) {
    HIDDevice record;
    record.device = device;
    if (!device) return record;
    record.id = textProperty(*device, "LocationID");
    record.name = textProperty(*device, "Product");
    record.vendorId = numberProperty(*device, "VendorID");
    record.productId = numberProperty(*device, "ProductID");
    record.reportSize = numberProperty(*device, "MaxInputReportSize");
    return record;
}
