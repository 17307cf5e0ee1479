#include "glasses/TavroVXServer.h"

#include <limits>

#include "appstate/AppDelegate.h"
#include "common/AppIdentifier.h"
#include "common/TavroFirmwareVersions.h"
#include "glasses/HIDMonitorData.h"
#include "glasses/NumericCompare.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/UserDefaults.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

namespace fd = platform::foundation;

namespace {

std::string wakeNotificationName() {
    return common::AppIdentifier() + "_WakeyChange_NSNotificationName";
}

void post(const std::string& name, int64_t object) {
    fd::NotificationCenter::defaultCenter().post(name, fd::Value(object));
}

}  // namespace

TavroVXServer::TavroVXServer()
    : rfDeviceMonitor_({watchedHIDDevices.begin(), watchedHIDDevices.end()}, 64) {}

TavroVXServer::~TavroVXServer() {
    if (rfDeviceDaemon_) rfDeviceDaemon_->stop();
}

void TavroVXServer::shareManager() {
    MutexLock lock(plugMutex_);
    if (rfDeviceDaemon_) return;
    rfDeviceMonitor_.setReadCallBack([this](float a, float b, float c, float d) {
        if (auto forward = readCallBack()) forward(a, b, c, d);
    });
    rfDeviceMonitor_.setDevicePlugIn(
        [this](const platform::hid::DevicePtr& device) { handleDevicePlugIn(device); });
    rfDeviceMonitor_.setDevicePullOut(
        [this](const platform::hid::DevicePtr& device) { handleDevicePullOut(device); });
    rfDeviceDaemon_ = std::make_unique<HIDMonitorThread>(rfDeviceMonitor_);
}

void TavroVXServer::stopMonitoring() {
    std::unique_ptr<HIDMonitorThread> daemon;
    {
        MutexLock lock(plugMutex_);
        daemon = std::move(rfDeviceDaemon_);
    }
    // Outside the lock: the monitor thread's handlers take it.
    if (daemon) daemon->stop();
}

void TavroVXServer::handleDevicePlugIn(const platform::hid::DevicePtr& device) {
    if (!device) return;
    HIDDevice info = hidDeviceFromIOHIDDevice(device);
    if (isWakeDevice(info.vendorId, info.productId)) {
        {
            MutexLock lock(plugMutex_);
            if (hubDevice_.get()) return;
            hubDevice_.set(std::make_shared<RFDevice>(info));
            hubHidDevice_.set(device);
        }
        post(wakeNotificationName(), 1);
        return;
    }
    {
        MutexLock lock(plugMutex_);
        if (ioHidDevice_.get()) return;  // a second pair, or the held pair's bootloader
        const fd::Value product = device->getProperty("Product");
        if (product.isText()) {
            fd::standardOutputLine("获取设备名称: " + product.text());
            glassName_.set(product.text());
        } else {
            fd::standardOutputLine("获取设备名称失败.");
            glassName_.set("TAVRI Glass");
        }
        const fd::Value version = device->getProperty("VersionNumber");
        if (version.isNull()) {
            fd::standardOutputLine("获取设备版本号失败.");
        } else {
            fd::standardOutputLine("获取设备 Version: " +
                                   (version.isText() ? version.text() : "Unknown Version"));
        }
        ioHidDevice_.set(device);
        connectedDevice_.set(std::make_shared<RFDevice>(info));
        glassGeneration_.store(
            glassGenerationForDevice(info.vendorId, info.productId, glassGeneration_.load()));
        AppDelegate::shared().glassStatus.store(true);
    }
    post(kGlassStatusChangeNotification, 1);
}

void TavroVXServer::handleDevicePullOut(const platform::hid::DevicePtr& device) {
    if (!device) return;
    const HIDDevice info = hidDeviceFromIOHIDDevice(device);
    if (isWakeDevice(info.vendorId, info.productId)) {
        {
            MutexLock lock(plugMutex_);
            if (hubHidDevice_.get() != device) return;
            hubDevice_.set(nullptr);
            hubHidDevice_.set(nullptr);
        }
        post(wakeNotificationName(), 0);
        return;
    }
    {
        MutexLock lock(plugMutex_);
        const auto held = ioHidDevice_.get();
        if (held && held != device) return;  // a pair that was never held
        ioHidDevice_.set(nullptr);
        AppDelegate::shared().glassStatus.store(false);
    }
    post(kGlassStatusChangeNotification, 0);
}

int32_t TavroVXServer::getImmersion() {
    auto& defaults = fd::UserDefaults::standard();
    const fd::Value stored = defaults.objectForKey(kImmersionDefaultsKey);
    if (stored.isNull()) {
        defaults.setInteger(kDefaultImmersion, kImmersionDefaultsKey);
        defaults.synchronize();
        return kDefaultImmersion;
    }
    if (!stored.isInteger()) return kDefaultImmersion;
    const int64_t value = stored.asInt64();
    if (value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        return kDefaultImmersion;
    }
    return static_cast<int32_t>(value);
}

void TavroVXServer::changeImmersion(int32_t value) {
    auto& defaults = fd::UserDefaults::standard();
    defaults.setInteger(value, kImmersionDefaultsKey);
    defaults.synchronize();
}

bool TavroVXServer::connectedDeviceIsBootloader() const {
    auto device = connectedDevice_.get();
    return device && isBootloaderDevice(device->deviceInfo.vendorId, device->deviceInfo.productId);
}

void TavroVXServer::checkDfuUpdate(DfuCheckResultHandler& appDelegate) {
    AppDelegate& shared = AppDelegate::shared();
    bool needsUpdate = false;
    if (glassGeneration_.load() >= 2) {
        const std::string version = shared.glassVersion.get();
        if (auto target = common::firmwareUpdateTarget(version))
            needsUpdate = numericCompare(version, *target) < 0;
    }
    if (connectedDeviceIsBootloader()) needsUpdate = true;
    appDelegate.handleDfuCheckResult(shared.glassStatus.load() && needsUpdate);
}
