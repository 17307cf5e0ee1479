#pragma once
// Watches the machine's serial ports by listing the registry's serial-stream clients every
// portUsageIntervalTime seconds, and posts "SerialDeviceAdded" or "SerialDeviceRemoved"
// (default centre; object {"device": the SerialDevice}) for each port that appeared or went
// since the previous listing. A port whose other details change under the same path is
// not announced; the stored record takes the new details.
//
// start() runs the polling on the calling thread until stop(); the listings, the filter
// call and the posts happen there. stop(), the filter and the interval may be used from any
// thread.

#include <atomic>
#include <functional>
#include <utility>
#include <vector>

#include "glasses/SerialDevice.h"
#include "platform/foundation/Guarded.h"
#include "platform/foundation/Mutex.h"
#include "platform/hid/SerialPorts.h"

inline constexpr const char* kSerialDeviceAdded = "SerialDeviceAdded";
inline constexpr const char* kSerialDeviceRemoved = "SerialDeviceRemoved";

class SerialDeviceMonitor {
  public:
    using Filter = std::function<std::vector<SerialDevice>(std::vector<SerialDevice>)>;

    SerialDeviceMonitor() = default;
    SerialDeviceMonitor(const SerialDeviceMonitor&) = delete;
    SerialDeviceMonitor& operator=(const SerialDeviceMonitor&) = delete;

    // Polls until stop(); returns at once when stop() came first.
    void start();
    void stop();

    // The ports of the last listing.
    std::vector<SerialDevice> serialDevices() const { return serialDevices_.get(); }
    // An empty filter is none. The filter runs on the polling thread, without a lock held.
    Filter filterDevices() const { return filterDevices_.get(); }
    void setFilterDevices(Filter filter) { filterDevices_.set(std::move(filter)); }
    // Seconds between listings; kept within 0..4294 (a NaN is the default 0.25).
    float portUsageIntervalTime() const { return portUsageIntervalTime_.load(); }
    void setPortUsageIntervalTime(float seconds);

  private:
    void scan(const std::vector<platform::hid::SerialService>& services);

    platform::foundation::Guarded<std::vector<SerialDevice>> serialDevices_;
    platform::foundation::Guarded<Filter> filterDevices_;
    std::atomic<float> portUsageIntervalTime_{0.25f};

    platform::foundation::Mutex mutex_;
    platform::foundation::ConditionVariable stopped_;
    bool stopRequested_ TAVRO_GUARDED_BY(mutex_) = false;
};
