// The USB serial ports of this Linux machine, as sysfs lists them: each tty whose device
// sits below a USB device, with that USB device's identity read from its attribute files.

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>

#include "platform/hid/SerialPorts.h"

namespace platform::hid {

namespace {

namespace fs = std::filesystem;
using foundation::Value;
using foundation::ValueDictionary;

std::optional<std::string> readAttribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    return line;
}

// The nearest directory at or above `from` that describes a USB device (it has "idVendor").
std::optional<fs::path> usbDeviceAbove(fs::path from) {
    std::error_code error;
    for (; !from.empty() && from != from.root_path(); from = from.parent_path()) {
        if (fs::exists(from / "idVendor", error)) return from;
    }
    return std::nullopt;
}

ValueDictionary usbProperties(const fs::path& usb) {
    ValueDictionary properties;
    const std::pair<const char*, const char*> texts[] = {{"product", "USB Product Name"},
                                                         {"manufacturer", "USB Vendor Name"},
                                                         {"serial", "USB Serial Number"}};
    for (const auto& [file, key] : texts) {
        if (auto text = readAttribute(usb / file)) properties.emplace(key, *text);
    }
    for (const auto& [file, key] :
         {std::pair{"idVendor", "idVendor"}, std::pair{"idProduct", "idProduct"}}) {
        auto text = readAttribute(usb / file);
        if (!text) continue;
        char* end = nullptr;
        const long number = std::strtol(text->c_str(), &end, 16);
        if (end != text->c_str()) properties.emplace(key, static_cast<int64_t>(number));
    }
    return properties;
}

class LinuxSerialPorts final : public SerialPortSource {
  public:
    std::vector<SerialService> services() const override {
        std::vector<SerialService> ports;
        std::error_code error;
        for (fs::directory_iterator it("/sys/class/tty", error), end; !error && it != end;
             it.increment(error)) {
            const fs::path device = fs::canonical(it->path() / "device", error);
            if (error) {
                error.clear();
                continue;
            }
            auto usb = usbDeviceAbove(device);
            if (!usb) continue;
            const std::string path = "/dev/" + it->path().filename().string();
            ports.emplace_back(
                ValueDictionary{{kIOCalloutDeviceKey, path},
                                {kIOSerialBSDTypeKey, std::string(kIOSerialBSDAllTypes)}},
                std::vector<ValueDictionary>{usbProperties(*usb)});
        }
        return ports;
    }
};

}  // namespace

std::shared_ptr<SerialPortSource> linuxSerialPorts() {
    static const auto source = std::make_shared<LinuxSerialPorts>();
    return source;
}

}  // namespace platform::hid
