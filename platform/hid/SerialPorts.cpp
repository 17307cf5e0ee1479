#include "platform/hid/SerialPorts.h"

#include "platform/foundation/InstalledBackend.h"

namespace platform::hid {

using foundation::Value;
using foundation::ValueDictionary;

namespace {

constinit foundation::InstalledBackend<SerialPortSource> installedSource(&linuxSerialPorts);

Value lookUp(const ValueDictionary& properties, const std::string& key) {
    auto found = properties.find(key);
    return found == properties.end() ? Value() : found->second;
}

class RegistrySerialPorts final : public SerialPortSource {
  public:
    explicit RegistrySerialPorts(UsbRegistry& registry) : registry_(registry) {}

    std::vector<SerialService> services() const override {
        std::vector<SerialService> ports;
        for (const auto& device : registry_.devices()) {
            auto path = device->calloutDevice();
            if (!path) continue;
            ValueDictionary parent;
            for (const char* key : {"USB Product Name", "USB Vendor Name", "USB Serial Number",
                                    "idVendor", "idProduct"}) {
                Value value = device->property(key);
                if (!value.isNull()) parent.emplace(key, std::move(value));
            }
            ports.emplace_back(
                ValueDictionary{{kIOCalloutDeviceKey, *path},
                                {kIOSerialBSDTypeKey, std::string(kIOSerialBSDAllTypes)}},
                std::vector<ValueDictionary>{std::move(parent)});
        }
        return ports;
    }

  private:
    UsbRegistry& registry_;
};

}  // namespace

Value SerialService::property(const std::string& key) const {
    return lookUp(own_, key);
}

Value SerialService::searchProperty(const std::string& key) const {
    Value value = property(key);
    for (auto parent = parents_.begin(); value.isNull() && parent != parents_.end(); ++parent) {
        value = lookUp(*parent, key);
    }
    return value;
}

std::optional<std::vector<SerialService>> matchingSerialServices(const Value& matching) {
    if (!matching.isDictionary()) return std::nullopt;
    const ValueDictionary& criteria = matching.dictionary();
    const Value className = lookUp(criteria, kIOProviderClassKey);
    if (!className.isText()) return std::nullopt;

    std::vector<SerialService> matched;
    if (className.text() != kIOSerialBSDServiceValue) return matched;
    auto source = installedSource.get();
    for (auto& service : source->services()) {
        bool all = true;
        for (const auto& [key, value] : criteria) {
            if (key != kIOProviderClassKey && service.property(key) != value) all = false;
        }
        if (all) matched.push_back(std::move(service));
    }
    return matched;
}

void installSerialPortSource(std::shared_ptr<SerialPortSource> source) {
    installedSource.install(std::move(source));
}

std::shared_ptr<SerialPortSource> registrySerialPorts(UsbRegistry& registry) {
    return std::make_shared<RegistrySerialPorts>(registry);
}

}  // namespace platform::hid
