#pragma once
// The HID manager: watches the machine's HID bus for devices that match its criteria and
// reports each device that matches (also those present when it opens) and each that goes
// away, through callbacks on the run loop it is scheduled on.
//
// Set-up calls may come from any thread; callbacks run on the scheduled run loop's thread,
// one at a time, in the order of the bus's changes. Create managers with create().

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Subscription.h"
#include "platform/foundation/Value.h"
#include "platform/hid/Device.h"
#include "platform/hid/HIDBus.h"
#include "platform/hid/RunLoopDelivery.h"

namespace platform::hid {

class Manager : public std::enable_shared_from_this<Manager> {
  public:
    static std::shared_ptr<Manager> create(HIDBus& bus = HIDBus::system());
    ~Manager();
    Manager(const Manager&) = delete;
    Manager& operator=(const Manager&) = delete;

    // Each criterion is a dictionary of property names and values that a device must all
    // have; a device matches when any criterion matches. Without criteria every device
    // matches; an empty list matches none.
    void setDeviceMatchingMultiple(std::optional<std::vector<foundation::Value>> criteria);
    void scheduleWithRunLoop(foundation::RunLoop& loop);
    void unscheduleFromRunLoop();
    int32_t open();
    void close();

    using DeviceCallback = std::function<void(int32_t result, const DevicePtr& device)>;
    void registerDeviceMatchingCallback(DeviceCallback callback);
    void registerDeviceRemovalCallback(DeviceCallback callback);

    std::vector<DevicePtr> copyDevices() const;

  private:
    explicit Manager(HIDBus& bus);
    bool matches(const BusDevice& device) const TAVRO_REQUIRES(mutex_);
    void busChanged(const BusDevicePtr& device, bool attached);
    void deviceAttached(const BusDevicePtr& device);
    void deviceDetached(const BusDevicePtr& device);
    void announce(const DevicePtr& device, bool matched);

    HIDBus& bus_;
    const std::shared_ptr<RunLoopDelivery> delivery_ = std::make_shared<RunLoopDelivery>();

    mutable foundation::Mutex mutex_;
    std::optional<std::vector<foundation::Value>> criteria_ TAVRO_GUARDED_BY(mutex_);
    DeviceCallback matchingCallback_ TAVRO_GUARDED_BY(mutex_);
    DeviceCallback removalCallback_ TAVRO_GUARDED_BY(mutex_);
    std::map<const BusDevice*, DevicePtr> devices_ TAVRO_GUARDED_BY(mutex_);
    bool open_ TAVRO_GUARDED_BY(mutex_) = false;
    foundation::Subscription busListener_ TAVRO_GUARDED_BY(mutex_);
};

using ManagerPtr = std::shared_ptr<Manager>;

}  // namespace platform::hid
