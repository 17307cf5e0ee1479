#pragma once
// Watches the USB registry for devices of given vendor/product pairs: each device that
// appears (also those present at start) is opened and announced with "USBDeviceConnected",
// each that goes with "USBDeviceDisconnected" (USBDeviceNotifications.h).
//
// start() sets up one notification port per pair, each with a serial queue labelled
// "IODetector" on which that pair's handlers run and post, then runs the calling thread's
// run loop until stop(). stop() may be called from any thread, also before start();
// start() returns once no handler runs any more.

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Value.h"
#include "platform/hid/UsbNotificationPort.h"

class USBDeviceMonitor {
  public:
    explicit USBDeviceMonitor(const std::vector<std::pair<int64_t, int64_t>>& vendorProductPairs);
    virtual ~USBDeviceMonitor() = default;
    USBDeviceMonitor(const USBDeviceMonitor&) = delete;
    USBDeviceMonitor& operator=(const USBDeviceMonitor&) = delete;

    virtual void start();
    void stop();

    // One matching dictionary per watched pair, in the given order.
    const std::vector<platform::foundation::Value> deviceMatches;

  protected:
    virtual void devicesAdded(platform::hid::UsbServiceIterator& iterator);
    virtual void devicesRemoved(platform::hid::UsbServiceIterator& iterator);

  private:
    platform::foundation::Mutex mutex_;
    platform::foundation::RunLoop* runLoop_ TAVRO_GUARDED_BY(mutex_) = nullptr;
    bool stopRequested_ TAVRO_GUARDED_BY(mutex_) = false;
};
