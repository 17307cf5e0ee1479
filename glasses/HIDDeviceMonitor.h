#pragma once
// Finds the glasses and their wake device among the machine's HID devices, tells its owner
// (the glasses server) when one comes or goes, and turns every glasses input report into
// either a firmware-version announcement ("get_tavro_glass_version_NSNotificationName") or
// a call of readCallBack with the report's four IMU values. Every device change and report
// is also announced ("HIDDeviceConnected", "HIDDeviceDisconnected", "HIDDeviceDataReceived").
//
// start() runs on a thread of the owner's making and stays in that thread's run loop; all
// callbacks, the parser and the notification posts run there, one at a time. The callbacks
// may be set from any thread (normally before start); glassGeneration may be read anywhere.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "glasses/HIDMonitorData.h"
#include "platform/foundation/Guarded.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/RunLoop.h"
#include "platform/hid/Manager.h"

inline constexpr const char* kHIDDeviceConnected = "HIDDeviceConnected";
inline constexpr const char* kHIDDeviceDisconnected = "HIDDeviceDisconnected";
inline constexpr const char* kHIDDeviceDataReceived = "HIDDeviceDataReceived";
inline constexpr const char* kGlassVersionNotification =
    "get_tavro_glass_version_NSNotificationName";

class HIDDeviceMonitor {
  public:
    using DeviceCallback = std::function<void(const platform::hid::DevicePtr& device)>;
    using ReadCallback = std::function<void(float, float, float, float)>;

    HIDDeviceMonitor(std::vector<HIDMonitorData> vp, int64_t reportSize);
    virtual ~HIDDeviceMonitor();
    HIDDeviceMonitor(const HIDDeviceMonitor&) = delete;
    HIDDeviceMonitor& operator=(const HIDDeviceMonitor&) = delete;

    // Sets the HID manager up on the calling thread and runs that thread's run loop; it
    // returns only after stop().
    virtual void start();
    // Makes start() return and closes the manager (orderly shutdown); callable from any
    // thread, also before start().
    void stop();

    DeviceCallback devicePlugIn() const { return devicePlugIn_.get(); }
    void setDevicePlugIn(DeviceCallback callback) { devicePlugIn_.set(std::move(callback)); }
    DeviceCallback devicePullOut() const { return devicePullOut_.get(); }
    void setDevicePullOut(DeviceCallback callback) { devicePullOut_.set(std::move(callback)); }
    ReadCallback readCallBack() const { return readCallBack_.get(); }
    void setReadCallBack(ReadCallback callback) { readCallBack_.set(std::move(callback)); }

    int64_t glassGeneration() const { return glassGeneration_.load(); }
    void setGlassGeneration(int64_t generation) { glassGeneration_.store(generation); }

    const std::vector<HIDMonitorData> vp;
    const int64_t reportSize;

  protected:
    virtual void handleInputReport(const platform::hid::DevicePtr& device,
                                   std::span<const uint8_t> report);
    virtual void handleDeviceMatched(const platform::hid::DevicePtr& device);
    virtual void handleDeviceRemoved(const platform::hid::DevicePtr& device);

  private:
    platform::foundation::Guarded<DeviceCallback> devicePlugIn_;
    platform::foundation::Guarded<DeviceCallback> devicePullOut_;
    platform::foundation::Guarded<ReadCallback> readCallBack_;

    mutable platform::foundation::Mutex mutex_;
    platform::hid::ManagerPtr managerRef_ TAVRO_GUARDED_BY(mutex_);
    platform::foundation::RunLoop* runLoop_ TAVRO_GUARDED_BY(mutex_) = nullptr;
    bool stopRequested_ TAVRO_GUARDED_BY(mutex_) = false;

    std::atomic<int64_t> glassGeneration_{1};
    // Input buffers by device, touched on the monitor thread only.
    std::map<platform::hid::Device*, std::vector<uint8_t>> inputBuffers_;
};
