#pragma once
// The registry's serial-stream clients: each is one serial port, with its own properties
// ("IOCalloutDevice", "IOSerialBSDClientType") and those of the devices above it (the USB
// device's "USB Product Name", "USB Vendor Name", "USB Serial Number", "idVendor",
// "idProduct"), found by searching the client and then its parents.
//
// Where the listing comes from is chosen in one place: the serial ports this Linux machine
// lists, unless a source is installed (the run's factory installs a simulated Mac's USB
// registry's).
// Every call is thread-safe; a listing is a snapshot.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Value.h"
#include "platform/hid/UsbRegistry.h"

namespace platform::hid {

inline constexpr const char* kIOSerialBSDServiceValue = "IOSerialBSDClient";
inline constexpr const char* kIOSerialBSDTypeKey = "IOSerialBSDClientType";
inline constexpr const char* kIOSerialBSDAllTypes = "IOSerialStream";
inline constexpr const char* kIOCalloutDeviceKey = "IOCalloutDevice";

class SerialService {
  public:
    SerialService(foundation::ValueDictionary own, std::vector<foundation::ValueDictionary> parents)
        : own_(std::move(own)), parents_(std::move(parents)) {}

    // The client's own property, or null.
    foundation::Value property(const std::string& key) const;
    // The client's property, else the nearest parent's, or null.
    foundation::Value searchProperty(const std::string& key) const;

  private:
    foundation::ValueDictionary own_;
    std::vector<foundation::ValueDictionary> parents_;  // nearest first
};

class SerialPortSource {
  public:
    virtual ~SerialPortSource() = default;
    // Every serial client now present, in the registry's order.
    virtual std::vector<SerialService> services() const = 0;
};

// The serial clients whose class is the dictionary's "IOProviderClass" and whose own
// properties have every other entry's value; nothing when `matching` is not a dictionary
// naming a class.
std::optional<std::vector<SerialService>> matchingSerialServices(const foundation::Value& matching);

// Installs the source that matchingSerialServices lists; null restores this machine's own.
void installSerialPortSource(std::shared_ptr<SerialPortSource> source);
// The serial ports of the devices in `registry` that have a serial interface.
std::shared_ptr<SerialPortSource> registrySerialPorts(UsbRegistry& registry);
// The USB serial ports this Linux machine lists (/sys/class/tty).
std::shared_ptr<SerialPortSource> linuxSerialPorts();

}  // namespace platform::hid
