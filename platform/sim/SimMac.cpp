#include "platform/sim/SimMac.h"

#include <algorithm>

#include "platform/foundation/Mutex.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Workspace.h"
#include "platform/screens/PowerManagement.h"

namespace platform::sim {

SimMac::SimMac(MachineProfile profile, SimUsbBus& bus)
    : profile_(std::move(profile)),
      bus_(bus),
      displays_(std::make_shared<SimDisplayServer>(profile_.displays)),
      audio_(std::make_shared<audio::AudioHardware>()),
      capture_(std::make_shared<capture::CaptureMachine>(profile_.permissions.screenRecording,
                                                         profile_.permissions.accessibility)),
      frames_(std::make_shared<SimDisplayFrames>(displays_)),
      backend_(std::make_unique<SimBackendServer>()) {
    busListener_ =
        bus_.hidBus().addListener([this](const hid::BusDevicePtr& device, bool attached) {
            if (!dynamic_cast<const VirtualGlasses*>(device.get())) return;
            foundation::MutexLock lock(mutex_);
            auto shown = glassesDisplays_.find(device.get());
            if (attached && shown == glassesDisplays_.end()) {
                glassesDisplays_[device.get()] = displays_->plugDisplay(
                    SimDisplayServer::glassesDisplay(), profile_.displays.glassesMirrored);
            } else if (!attached && shown != glassesDisplays_.end()) {
                displays_->unplugDisplay(shown->second);
                glassesDisplays_.erase(shown);
            }
            auto sound = glassesAudio_.find(device.get());
            if (attached && sound == glassesAudio_.end()) {
                glassesAudio_[device.get()] = audio_->addDevice({"TAVRO Glass", 1, 0, 0.5f, false});
            } else if (!attached && sound != glassesAudio_.end()) {
                audio_->removeDevice(sound->second);
                glassesAudio_.erase(sound);
            }
        });
    for (const auto& glasses : profile_.glasses) {
        auto device = makeDevice(glasses);
        {
            foundation::MutexLock lock(mutex_);
            profileDevices_.push_back(device);
        }
        plugDevice(device);
    }
}

SimMac::~SimMac() {
    std::vector<std::shared_ptr<VirtualHidDevice>> plugged;
    std::vector<std::weak_ptr<VirtualGlasses>> glasses;
    {
        foundation::MutexLock lock(mutex_);
        plugged = plugged_;
        glasses = glasses_;
    }
    for (const auto& device : plugged) unplugDevice(device);
    // Glasses in the middle of an update would otherwise join the bus again later, when
    // the process may already be ending.
    for (const auto& weak : glasses) {
        if (auto pair = weak.lock()) pair->retire();
    }
    busListener_.reset();
    backend_->stop();
}

std::shared_ptr<VirtualHidDevice> SimMac::makeDevice(const GlassesProfile& glasses) {
    if (glasses.kind == "wake") {
        return makeWakeDevice(glasses.vendorId.value_or(0x0483),
                              glasses.productId.value_or(0x6001));
    }
    VirtualGlassesConfig config = glasses.kind == "gen1" ? VirtualGlasses::firstGeneration()
                                  : glasses.kind == "gen2pro"
                                      ? VirtualGlasses::secondGenerationPro()
                                      : VirtualGlasses::secondGeneration();
    if (glasses.vendorId) config.identity.vendorId = *glasses.vendorId;
    if (glasses.productId) config.identity.productId = *glasses.productId;
    if (glasses.firmware) config.firmwareVersion = *glasses.firmware;
    return std::make_shared<VirtualGlasses>(std::move(config));
}

void SimMac::lockScreen() {
    displays_->setScreenLocked(true);
    foundation::NotificationCenter::distributedCenter().post("com.apple.screenIsLocked");
}

void SimMac::unlockScreen() {
    displays_->setScreenLocked(false);
    foundation::NotificationCenter::distributedCenter().post("com.apple.screenIsUnlocked");
}

void SimMac::screensSleep() {
    foundation::NotificationCenter::workspaceCenter().post(
        foundation::kWorkspaceScreensDidSleepNotification);
}

void SimMac::screensWake() {
    foundation::NotificationCenter::workspaceCenter().post(
        foundation::kWorkspaceScreensDidWakeNotification);
}

void SimMac::systemSleep() {
    // As on a Mac, the screens go to sleep first.
    screensSleep();
    screens::postSystemPowerMessage(screens::kIOMessageCanSystemSleep);
    screens::postSystemPowerMessage(screens::kIOMessageSystemWillSleep);
    foundation::NotificationCenter::workspaceCenter().post(
        foundation::kWorkspaceWillSleepNotification);
}

void SimMac::systemWake() {
    screens::postSystemPowerMessage(screens::kIOMessageSystemWillPowerOn);
    screens::postSystemPowerMessage(screens::kIOMessageSystemHasPoweredOn);
    foundation::NotificationCenter::workspaceCenter().post(
        foundation::kWorkspaceDidWakeNotification);
    screensWake();
}

void SimMac::plugDevice(const std::shared_ptr<VirtualHidDevice>& device) {
    {
        foundation::MutexLock lock(mutex_);
        if (std::find(plugged_.begin(), plugged_.end(), device) == plugged_.end()) {
            plugged_.push_back(device);
        }
        if (auto glasses = std::dynamic_pointer_cast<VirtualGlasses>(device))
            glasses_.push_back(glasses);
    }
    bus_.plug(device);
}

void SimMac::unplugDevice(const std::shared_ptr<VirtualHidDevice>& device) {
    {
        foundation::MutexLock lock(mutex_);
        plugged_.erase(std::remove(plugged_.begin(), plugged_.end(), device), plugged_.end());
    }
    bus_.unplug(device);
}

audio::AudioObjectId SimMac::audioDeviceOf(const std::shared_ptr<VirtualHidDevice>& device) const {
    foundation::MutexLock lock(mutex_);
    auto found = glassesAudio_.find(device.get());
    return found == glassesAudio_.end() ? 0 : found->second;
}

std::vector<std::shared_ptr<VirtualHidDevice>> SimMac::profileDevices() const {
    foundation::MutexLock lock(mutex_);
    return profileDevices_;
}

}  // namespace platform::sim
