#include "glasses/HIDDeviceMonitor.h"

#include <array>

#include "glasses/GlassReportParser.h"
#include "glasses/GlassVersionText.h"
#include "glasses/HIDDevice.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/NotificationCenter.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

using platform::foundation::NotificationCenter;
using platform::foundation::RunLoop;
using platform::foundation::Value;
using platform::foundation::ValueDictionary;
using platform::hid::DevicePtr;

HIDDeviceMonitor::HIDDeviceMonitor(std::vector<HIDMonitorData> table, int64_t bufferSize)
    : vp(std::move(table)), reportSize(bufferSize) {}

HIDDeviceMonitor::~HIDDeviceMonitor() = default;

void HIDDeviceMonitor::start() {
    RunLoop& loop = RunLoop::current();
    auto manager = platform::hid::Manager::create();
    {
        MutexLock lock(mutex_);
        managerRef_ = manager;
        runLoop_ = &loop;
        if (stopRequested_) loop.stop();
    }

    std::vector<Value> criteria;
    for (const HIDMonitorData& row : vp) {
        criteria.emplace_back(
            ValueDictionary{{"ProductID", row.productId}, {"VendorID", row.vendorId}});
    }
    manager->setDeviceMatchingMultiple(std::move(criteria));
    manager->scheduleWithRunLoop(loop);
    manager->open();
    manager->registerDeviceMatchingCallback(
        [this](int32_t, const DevicePtr& device) { handleDeviceMatched(device); });
    manager->registerDeviceRemovalCallback(
        [this](int32_t, const DevicePtr& device) { handleDeviceRemoved(device); });

    loop.run();

    manager->close();
    manager->unscheduleFromRunLoop();
    MutexLock lock(mutex_);
    managerRef_.reset();
    runLoop_ = nullptr;
    inputBuffers_.clear();
}

void HIDDeviceMonitor::stop() {
    MutexLock lock(mutex_);
    stopRequested_ = true;
    if (runLoop_) runLoop_->stop();
}

void HIDDeviceMonitor::handleDeviceMatched(const DevicePtr& device) {
    auto& buffer = inputBuffers_[device.get()];
    buffer.assign(static_cast<size_t>(std::max<int64_t>(reportSize, 0)), 0);
    device->registerInputReportCallback(
        buffer, [this](int32_t, const DevicePtr& sender, platform::hid::ReportType, uint32_t,
                       std::span<uint8_t> report) { handleInputReport(sender, report); });

    NotificationCenter::defaultCenter().post(
        kHIDDeviceConnected, Value(ValueDictionary{{"device", Value::object(device)}}));

    HIDDevice info = hidDeviceFromIOHIDDevice(device);
    setGlassGeneration(glassGenerationForDevice(info.vendorId, info.productId, glassGeneration()));
    if (auto plugIn = devicePlugIn()) plugIn(device);
}

void HIDDeviceMonitor::handleDeviceRemoved(const DevicePtr& device) {
    NotificationCenter::defaultCenter().post(
        kHIDDeviceDisconnected, Value(ValueDictionary{{"device", Value::object(device)}}));
    if (auto pullOut = devicePullOut()) pullOut(device);
    // The device reports no more once removed, so its buffer can go.
    inputBuffers_.erase(device.get());
}

void HIDDeviceMonitor::handleInputReport(const DevicePtr& device, std::span<const uint8_t> report) {
    NotificationCenter::defaultCenter().post(
        kHIDDeviceDataReceived,
        Value(ValueDictionary{
            {"data", Value(platform::foundation::Bytes(report.begin(), report.end()))}}));

    HIDDevice info = hidDeviceFromIOHIDDevice(device);
    if (isWakeDevice(info.vendorId, info.productId)) return;

    const int64_t generation = glassGeneration();
    std::array<float, 4> quaternion{};
    std::array<int32_t, 3> imuAt34{};
    std::array<int32_t, 3> imuAt28{};
    int32_t imuAt40 = 0;
    std::array<uint8_t, 100> versionBytes{};
    uint32_t versionLength = 0;
    parse_glass_report(static_cast<int32_t>(generation), report, quaternion[0], quaternion[1],
                       quaternion[2], quaternion[3], imuAt34, imuAt28, imuAt40, versionBytes,
                       versionLength);

    const std::string version =
        glassVersionText(std::span<const uint8_t>(versionBytes)
                             .first(std::min<size_t>(versionLength, versionBytes.size())));
    if (!version.empty()) {
        if (generation == 1 || generation == 2) {
            NotificationCenter::defaultCenter().post(kGlassVersionNotification, Value(version));
        }
        return;
    }
    if (auto read = readCallBack())
        read(quaternion[0], quaternion[1], quaternion[2], quaternion[3]);
}
