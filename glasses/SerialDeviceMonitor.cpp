#include "glasses/SerialDeviceMonitor.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_set>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/NotificationCenter.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

using platform::foundation::Clock;
using platform::foundation::NotificationCenter;
using platform::foundation::Value;
using platform::foundation::ValueDictionary;

namespace {

std::optional<std::string> textProperty(const platform::hid::SerialService& service,
                                        const char* key) {
    const Value value = service.searchProperty(key);
    if (!value.isText()) return std::nullopt;
    return value.text();
}

std::optional<int64_t> integerProperty(const platform::hid::SerialService& service,
                                       const char* key) {
    const Value value = service.searchProperty(key);
    if (value.kind() != Value::Kind::Integer) return std::nullopt;
    return value.asInt64();
}

std::unordered_set<std::string> pathsOf(const std::vector<SerialDevice>& devices) {
    std::unordered_set<std::string> paths;
    for (const auto& device : devices) paths.insert(device.path);
    return paths;
}

// Posts `name` once for each port of `from` whose path `other` lacks; a path listed twice
// is one port.
void postMissing(const char* name, const std::vector<SerialDevice>& from,
                 const std::unordered_set<std::string>& other) {
    std::unordered_set<std::string> posted;
    for (const auto& device : from) {
        if (other.count(device.path) || !posted.insert(device.path).second) continue;
        NotificationCenter::defaultCenter().post(
            name, Value(ValueDictionary{
                      {"device", Value::object(std::make_shared<SerialDevice>(device))}}));
    }
}

}  // namespace

void SerialDeviceMonitor::start() {
    MutexLock lock(mutex_);
    while (!stopRequested_) {
        lock.unlock();
        auto matching = platform::hid::serviceMatching(platform::hid::kIOSerialBSDServiceValue);
        ValueDictionary criteria = matching.dictionary();
        criteria[platform::hid::kIOSerialBSDTypeKey] =
            std::string(platform::hid::kIOSerialBSDAllTypes);
        if (auto services = platform::hid::matchingSerialServices(Value(std::move(criteria)))) {
            scan(*services);
        }
        lock.lock();
        // Taken on each turn: a clock replaced meanwhile would end every wait at once.
        const auto clock = Clock::current();
        const auto deadline = clock.now() + Clock::fromSeconds(portUsageIntervalTime());
        clock.waitUntil(mutex_, stopped_, deadline,
                        [this]() TAVRO_REQUIRES(mutex_) { return stopRequested_; });
    }
}

void SerialDeviceMonitor::stop() {
    {
        MutexLock lock(mutex_);
        stopRequested_ = true;
    }
    stopped_.notify_all();
}

void SerialDeviceMonitor::scan(const std::vector<platform::hid::SerialService>& services) {
    std::vector<SerialDevice> found;
    for (const auto& service : services) {
        const Value path = service.property(platform::hid::kIOCalloutDeviceKey);
        if (!path.isText()) continue;
        found.push_back(SerialDevice{
            path.text(), textProperty(service, "USB Product Name"),
            textProperty(service, "USB Vendor Name"), textProperty(service, "USB Serial Number"),
            integerProperty(service, "idVendor"), integerProperty(service, "idProduct")});
    }
    if (Filter filter = filterDevices()) found = filter(std::move(found));

    const std::vector<SerialDevice> previous = serialDevices();
    postMissing(kSerialDeviceRemoved, previous, pathsOf(found));
    postMissing(kSerialDeviceAdded, found, pathsOf(previous));
    serialDevices_.set(std::move(found));
}

void SerialDeviceMonitor::setPortUsageIntervalTime(float seconds) {
    portUsageIntervalTime_.store(std::isnan(seconds) ? 0.25f : std::clamp(seconds, 0.0f, 4294.0f));
}
