#include "platform/hid/UsbNotificationPort.h"

#include <utility>

#include "platform/foundation/Mutex.h"
#include "platform/hid/HIDTypes.h"

namespace platform::hid {

using foundation::Value;
using foundation::ValueDictionary;

namespace {

bool deviceMatches(const UsbRegistryDevice& device, const ValueDictionary& criteria) {
    for (const auto& [key, value] : criteria) {
        if (key != kIOProviderClassKey && device.property(key) != value) return false;
    }
    return true;
}

}  // namespace

// One registered notice. `live` is read by the handlers queued on the port's queue, so that
// none runs once the port is destroyed.
struct UsbNotificationPort::Registration {
    UsbNotice notice = UsbNotice::FirstMatch;
    ValueDictionary criteria;
    Handler handler;
    std::shared_ptr<UsbServiceIterator> iterator = std::make_shared<UsbServiceIterator>();
    foundation::Mutex mutex;
    bool live TAVRO_GUARDED_BY(mutex) = true;
    foundation::Subscription listener TAVRO_GUARDED_BY(mutex);
};

int32_t UsbService::release() {
    if (!device_) return kIOReturnBadArgument;
    device_.reset();
    return kIOReturnSuccess;
}

std::optional<UsbService> UsbServiceIterator::next() {
    foundation::MutexLock lock(mutex_);
    if (pending_.empty()) {
        armed_ = true;
        return std::nullopt;
    }
    UsbService service(std::move(pending_.front()));
    pending_.pop_front();
    return service;
}

bool UsbServiceIterator::add(UsbRegistryDevicePtr device) {
    foundation::MutexLock lock(mutex_);
    pending_.push_back(std::move(device));
    return std::exchange(armed_, false);
}

std::shared_ptr<UsbNotificationPort> UsbNotificationPort::create(UsbRegistry& registry) {
    return std::shared_ptr<UsbNotificationPort>(new UsbNotificationPort(registry));
}

UsbNotificationPort::~UsbNotificationPort() {
    destroy();
}

void UsbNotificationPort::setDispatchQueue(foundation::DispatchQueuePtr queue) {
    foundation::MutexLock lock(mutex_);
    queue_ = std::move(queue);
}

std::shared_ptr<UsbServiceIterator> UsbNotificationPort::addMatchingNotification(
    UsbNotice notice, const Value& matching, Handler handler) {
    if (!matching.isDictionary()) return nullptr;
    const ValueDictionary& criteria = matching.dictionary();
    auto className = criteria.find(kIOProviderClassKey);
    if (className == criteria.end() || !className->second.isText()) return nullptr;

    foundation::DispatchQueuePtr queue;
    auto registration = std::make_shared<Registration>();
    {
        foundation::MutexLock lock(mutex_);
        if (destroyed_ || !queue_) return nullptr;
        queue = queue_;
        registrations_.push_back(registration);
    }
    registration->notice = notice;
    registration->criteria = criteria;
    registration->handler = std::move(handler);
    if (className->second.text() != kIOUSBDeviceClassName) return registration->iterator;

    // The registry tells a new listener of the devices present, synchronously: those are
    // the first-match iterator's initial contents. The iterator is not armed yet, so they
    // (and whatever comes before the first drain) make no handler call.
    std::weak_ptr<Registration> weak = registration;
    foundation::Subscription listener =
        registry_.addListener([weak, queue](const UsbRegistryDevicePtr& device, bool attached) {
            auto self = weak.lock();
            if (!self || !deviceMatches(*device, self->criteria)) return;
            const bool wanted = (self->notice == UsbNotice::FirstMatch) == attached;
            if (!wanted) return;
            if (!self->iterator->add(device)) return;
            queue->async([weak] {
                auto handling = weak.lock();
                if (!handling) return;
                foundation::MutexLock lock(handling->mutex);
                if (handling->live) handling->handler(*handling->iterator);
            });
        });
    {
        foundation::MutexLock lock(registration->mutex);
        // Destroyed meanwhile: `listener` goes when this returns.
        if (registration->live) std::swap(listener, registration->listener);
    }
    return registration->iterator;
}

void UsbNotificationPort::destroy() {
    std::vector<std::shared_ptr<Registration>> registrations;
    {
        foundation::MutexLock lock(mutex_);
        destroyed_ = true;
        registrations.swap(registrations_);
    }
    for (const auto& registration : registrations) {
        foundation::Subscription listener;
        {
            // Waits for a handler that is running now.
            foundation::MutexLock lock(registration->mutex);
            registration->live = false;
            listener = std::move(registration->listener);
        }
    }
}

}  // namespace platform::hid
