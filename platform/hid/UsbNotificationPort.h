#pragma once
// USB device matching and termination notices: a port registers notices for the devices
// of the USB registry that match a dictionary of property values, and calls each notice's
// handler on the port's dispatch queue with the notice's iterator whenever a matching
// device arrives (first match) or leaves (terminate). A first-match iterator starts out
// holding the devices that match at registration, so that draining it reports them.
// As on the platform, a notice is armed only by draining its iterator to the end: until
// the first drain, and again after each handler call until the handler has drained it,
// devices gather in the iterator without a handler call.
//
// Registration and destroy() may come from any thread; handlers run on the queue, one at a
// time. After destroy() returns, no handler starts (so do not call it from a handler).
// Iterators are thread-safe.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/Value.h"
#include "platform/hid/UsbRegistry.h"

namespace platform::hid {

inline constexpr const char* kIOUSBDeviceClassName = "IOUSBDevice";

enum class UsbNotice { FirstMatch, Terminate };

// A registry entry handed out by an iterator; the holder releases it once done.
class UsbService {
  public:
    explicit UsbService(UsbRegistryDevicePtr device) : device_(std::move(device)) {}
    uint64_t registryEntryId() const { return device_ ? device_->registryEntryId() : 0; }
    std::string registryEntryName() const {
        return device_ ? device_->registryEntryName() : std::string();
    }
    const UsbRegistryDevicePtr& device() const { return device_; }
    // kIOReturnSuccess, or kIOReturnBadArgument when it was released already.
    int32_t release();

  private:
    UsbRegistryDevicePtr device_;
};

class UsbServiceIterator {
  public:
    // The next service, or nothing when the iterator is empty.
    // The next service, or nothing when the iterator is empty (which arms it).
    std::optional<UsbService> next();
    // True when the iterator was armed: its owner is to be told, and it stays disarmed
    // until it is drained again.
    bool add(UsbRegistryDevicePtr device);

  private:
    foundation::Mutex mutex_;
    std::deque<UsbRegistryDevicePtr> pending_ TAVRO_GUARDED_BY(mutex_);
    bool armed_ TAVRO_GUARDED_BY(mutex_) = false;
};

class UsbNotificationPort : public std::enable_shared_from_this<UsbNotificationPort> {
  public:
    static std::shared_ptr<UsbNotificationPort> create(
        UsbRegistry& registry = UsbRegistry::system());
    ~UsbNotificationPort();
    UsbNotificationPort(const UsbNotificationPort&) = delete;
    UsbNotificationPort& operator=(const UsbNotificationPort&) = delete;

    void setDispatchQueue(foundation::DispatchQueuePtr queue);

    using Handler = std::function<void(UsbServiceIterator& iterator)>;
    // `matching` is a dictionary whose "IOProviderClass" names the class (only "IOUSBDevice"
    // devices are in the registry) and whose other entries the device's properties must
    // have. Nothing when the dictionary names no class or the port has no queue.
    std::shared_ptr<UsbServiceIterator> addMatchingNotification(UsbNotice notice,
                                                                const foundation::Value& matching,
                                                                Handler handler);
    void destroy();

  private:
    struct Registration;
    explicit UsbNotificationPort(UsbRegistry& registry) : registry_(registry) {}

    UsbRegistry& registry_;
    foundation::Mutex mutex_;
    foundation::DispatchQueuePtr queue_ TAVRO_GUARDED_BY(mutex_);
    std::vector<std::shared_ptr<Registration>> registrations_ TAVRO_GUARDED_BY(mutex_);
    bool destroyed_ TAVRO_GUARDED_BY(mutex_) = false;
};

using UsbNotificationPortPtr = std::shared_ptr<UsbNotificationPort>;

}  // namespace platform::hid
