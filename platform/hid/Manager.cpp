#include "platform/hid/Manager.h"

#include <algorithm>

#include "platform/foundation/Mutex.h"

namespace platform::hid {

std::shared_ptr<Manager> Manager::create(HIDBus& bus) {
    return std::shared_ptr<Manager>(new Manager(bus));
}

Manager::Manager(HIDBus& bus) : bus_(bus) {}

Manager::~Manager() {
    close();
    delivery_->unschedule();
}

void Manager::setDeviceMatchingMultiple(std::optional<std::vector<foundation::Value>> criteria) {
    foundation::MutexLock lock(mutex_);
    criteria_ = std::move(criteria);
}

void Manager::scheduleWithRunLoop(foundation::RunLoop& loop) {
    delivery_->schedule(loop);
}

void Manager::unscheduleFromRunLoop() {
    delivery_->unschedule();
}

int32_t Manager::open() {
    {
        foundation::MutexLock lock(mutex_);
        if (open_) return kIOReturnSuccess;
        open_ = true;
    }
    // The listener takes the manager's lock, and the bus waits for a listener's call when
    // one is added or removed: so the manager's lock is never held while calling the bus.
    foundation::Subscription listener = bus_.addListener(
        [this](const BusDevicePtr& device, bool attached) { busChanged(device, attached); });
    foundation::MutexLock lock(mutex_);
    busListener_ = std::move(listener);
    return kIOReturnSuccess;
}

void Manager::close() {
    foundation::Subscription listener;
    {
        foundation::MutexLock lock(mutex_);
        open_ = false;
        listener = std::move(busListener_);
    }
    listener.reset();
    std::map<const BusDevice*, DevicePtr> devices;
    {
        foundation::MutexLock lock(mutex_);
        devices.swap(devices_);
    }
    for (auto& [key, device] : devices) device->markDetached();
}

void Manager::registerDeviceMatchingCallback(DeviceCallback callback) {
    foundation::MutexLock lock(mutex_);
    matchingCallback_ = std::move(callback);
}

void Manager::registerDeviceRemovalCallback(DeviceCallback callback) {
    foundation::MutexLock lock(mutex_);
    removalCallback_ = std::move(callback);
}

std::vector<DevicePtr> Manager::copyDevices() const {
    foundation::MutexLock lock(mutex_);
    std::vector<DevicePtr> devices;
    for (const auto& [key, device] : devices_) devices.push_back(device);
    return devices;
}

bool Manager::matches(const BusDevice& device) const {
    if (!criteria_) return true;
    return std::any_of(criteria_->begin(), criteria_->end(), [&](const foundation::Value& rule) {
        if (!rule.isDictionary()) return false;
        for (const auto& [key, wanted] : rule.dictionary()) {
            if (!(device.property(key) == wanted)) return false;
        }
        return true;
    });
}

void Manager::busChanged(const BusDevicePtr& device, bool attached) {
    if (attached) {
        deviceAttached(device);
    } else {
        deviceDetached(device);
    }
}

void Manager::deviceAttached(const BusDevicePtr& device) {
    DevicePtr handle;
    {
        foundation::MutexLock lock(mutex_);
        if (!open_ || devices_.count(device.get()) != 0 || !matches(*device)) return;
        handle = std::make_shared<Device>(device, delivery_);
        devices_.emplace(device.get(), handle);
    }
    announce(handle, true);
}

void Manager::deviceDetached(const BusDevicePtr& device) {
    DevicePtr handle;
    {
        foundation::MutexLock lock(mutex_);
        auto found = devices_.find(device.get());
        if (found == devices_.end()) return;
        handle = found->second;
        devices_.erase(found);
    }
    handle->markDetached();
    announce(handle, false);
}

void Manager::announce(const DevicePtr& device, bool matched) {
    std::weak_ptr<Manager> weak = weak_from_this();
    delivery_->deliver([weak, device, matched] {
        auto manager = weak.lock();
        if (!manager) return;
        DeviceCallback callback;
        {
            foundation::MutexLock lock(manager->mutex_);
            callback = matched ? manager->matchingCallback_ : manager->removalCallback_;
        }
        if (callback) callback(kIOReturnSuccess, device);
    });
}

}  // namespace platform::hid
