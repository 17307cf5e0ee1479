#pragma once
// The one object the application talks to the glasses through. It runs the HID device
// monitor on a thread of its own, decides which plugged-in device counts as the glasses and
// which as the wake device, tells the application when they come and go, and offers one
// operation per glasses command. It also owns the resolution switch that follows a 3D
// switch, the firmware-update decision and the stored immersion value.
//
// Threads: the plug-in and pull-out handlers run on the monitor thread; commands run on
// their callers' threads (main thread, global queues); the resolution step runs on the main
// queue. Every field is atomic or guarded, and each command works on one snapshot of the
// held device, so a pull-out racing a command gives -1 or a failed send, never a torn read.
//
// Command status: 0 on success, the send's non-zero status on failure, -1 when the command
// is refused (no glasses held, or a second-generation command on first-generation glasses).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "appstate/DfuCheckResultHandler.h"
#include "appstate/VXServerInterface.h"
#include "common/TavroFirmwareVersions.h"
#include "glasses/HIDDeviceMonitor.h"
#include "glasses/HIDMonitorThread.h"
#include "glasses/RFDevice.h"
#include "platform/foundation/Guarded.h"
#include "platform/foundation/Value.h"

inline constexpr const char* kGlassStatusChangeNotification =
    "TAVRO_Glass_Display_StatusChange_NSNotificationName";
inline constexpr const char* kImmersionDefaultsKey = "immersionValueNumber_UserDefault";
inline constexpr int32_t kDefaultImmersion = 76;

class TavroVXServer : public VXServerInterface {
  public:
    using DeviceChangeBlock =
        std::function<void(const platform::foundation::ValueDictionary&, bool)>;
    using DeviceCallback = HIDDeviceMonitor::DeviceCallback;
    using ReadCallback = HIDDeviceMonitor::ReadCallback;
    using FrameBuilder = std::function<int32_t(std::span<uint8_t>)>;

    TavroVXServer();
    // Stops the monitor thread; a pending resolution step outlives the server harmlessly.
    ~TavroVXServer() override;
    TavroVXServer(const TavroVXServer&) = delete;
    TavroVXServer& operator=(const TavroVXServer&) = delete;

    // Starts the monitor thread (once; later calls do nothing).
    void shareManager();
    // Stops the monitor thread and waits for it to end. The thread's posts wait for their
    // main-queue observers, so never call this on the main thread while it is not draining
    // the main queue.
    void stopMonitoring();

    // Callbacks the server holds for others; none of them is called by the application.
    DeviceChangeBlock myDeviceChangeBlock() const { return myDeviceChangeBlock_.get(); }
    void setMyDeviceChangeBlock(DeviceChangeBlock block) { myDeviceChangeBlock_.set(block); }
    DeviceCallback devicePlugIn() const { return devicePlugIn_.get(); }
    void setDevicePlugIn(DeviceCallback callback) { devicePlugIn_.set(callback); }
    DeviceCallback devicePullOut() const { return devicePullOut_.get(); }
    void setDevicePullOut(DeviceCallback callback) { devicePullOut_.set(callback); }
    // Receives the monitor's four IMU floats on the monitor thread.
    ReadCallback readCallBack() const { return readCallBack_.get(); }
    void setReadCallBack(ReadCallback callback) { readCallBack_.set(callback); }

    std::shared_ptr<RFDevice> connectedDevice() const { return connectedDevice_.get(); }
    // True when the connected device is the firmware-update bootloader; no device is not.
    bool connectedDeviceIsBootloader() const;
    std::shared_ptr<RFDevice> hubDevice() const { return hubDevice_.get(); }
    platform::hid::DevicePtr hubHidDevice() const { return hubHidDevice_.get(); }
    // Kept for the object's shape; nothing fills or reads it.
    std::vector<std::shared_ptr<RFDevice>> deviceArray() const { return deviceArray_.get(); }
    platform::hid::DevicePtr ioHidDevice() const { return ioHidDevice_.get(); }
    int64_t glassGeneration() const { return glassGeneration_.load(); }
    void setGlassGeneration(int64_t generation) { glassGeneration_.store(generation); }
    std::string glassName() const { return glassName_.get(); }
    bool isSuccessChangeResolution() const { return resolutionIdle_->load(); }
    HIDDeviceMonitor& rfDeviceMonitor() { return rfDeviceMonitor_; }

    // Switches the glasses screen to 3840 (isBig) or 1920 wide after a delay, on the main
    // queue; `complation` gets the outcome, and is not called when a switch is in progress.
    void deviceChangeResolution(bool isBig, std::function<void(bool)> complation);

    int32_t start_display_3d();
    int32_t stop_display_3d();
    // 0 without sending while a resolution switch is in progress.
    int32_t change_display_3d(bool on);
    int32_t setDuty(uint8_t duty);
    int32_t change_display_volume(int64_t level);
    int32_t getTavroGlassFirmwareVersion();
    int32_t changeIMUWithGlassWithIsClose(bool close);
    int32_t getIMUOffSetNew();
    int32_t setUserTempDrift(int32_t index, float temperature, float x, float y, float z);
    void getAllFactoryImuTempBias() {}
    void getFactoryImuTempBiasWithIdx(int32_t index, int32_t type);
    int32_t enterDfu();
    int32_t setImmersion(int32_t value, bool isFirst);
    int32_t getLightSensorWearInfo();
    int32_t setLightSensorWearDetection(bool close);

    // The stored immersion value (76 until one is stored).
    int32_t getImmersion();
    void changeImmersion(int32_t value) override;

    // Decides whether the held glasses need a firmware update and tells the delegate.
    void checkDfuUpdate(DfuCheckResultHandler& appDelegate);

    void handleDevicePlugIn(const platform::hid::DevicePtr& device);
    void handleDevicePullOut(const platform::hid::DevicePtr& device);

  private:
    enum class Gate { Glasses, SecondGeneration };
    // The common command sequence: gate, fresh connectedDevice, frame, send. `length`
    // receives the builder's length when the command got that far.
    int32_t sendCommand(Gate gate, const FrameBuilder& build, size_t bufferSize = 100,
                        int32_t* length = nullptr);
    // connectedDevice rebuilt from the held glasses; null when none are held.
    std::shared_ptr<RFDevice> rebuildConnectedDevice();
    std::string connectedDeviceDescription() const;

    platform::foundation::Guarded<DeviceChangeBlock> myDeviceChangeBlock_;
    platform::foundation::Guarded<DeviceCallback> devicePlugIn_;
    platform::foundation::Guarded<DeviceCallback> devicePullOut_;
    platform::foundation::Guarded<ReadCallback> readCallBack_;
    platform::foundation::Guarded<std::shared_ptr<RFDevice>> connectedDevice_;
    platform::foundation::Guarded<std::shared_ptr<RFDevice>> hubDevice_;
    platform::foundation::Guarded<platform::hid::DevicePtr> hubHidDevice_;
    platform::foundation::Guarded<std::vector<std::shared_ptr<RFDevice>>> deviceArray_;
    platform::foundation::Guarded<platform::hid::DevicePtr> ioHidDevice_;
    std::atomic<int64_t> glassGeneration_{1};
    platform::foundation::Guarded<std::string> glassName_{std::string(common::kDefaultGlassName)};
    // Shared with the delayed resolution step and its completion, which may outlive us.
    std::shared_ptr<std::atomic<bool>> resolutionIdle_ = std::make_shared<std::atomic<bool>>(true);
    // Plug-in and pull-out decisions are made whole under this lock.
    platform::foundation::Mutex plugMutex_;
    HIDDeviceMonitor rfDeviceMonitor_ TAVRO_GUARDED_BY(plugMutex_);
    std::unique_ptr<HIDMonitorThread> rfDeviceDaemon_
        TAVRO_GUARDED_BY(plugMutex_);  // last: stopped first
};
