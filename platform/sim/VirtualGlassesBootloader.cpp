// The glasses' side of a firmware update: leaving the bus for the bootloader and coming
// back from the image it wrote.
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Mutex.h"
#include "platform/sim/FirmwareImageTag.h"
#include "platform/sim/VirtualGlasses.h"

namespace platform::sim {

void VirtualGlasses::enterBootloader() {
    auto self = std::static_pointer_cast<VirtualGlasses>(weak_from_this().lock());
    if (!self) return;
    uint64_t restart = 0;
    {
        foundation::MutexLock lock(restartMutex_);
        restart = restarts_;
    }
    std::weak_ptr<VirtualGlasses> weak = self;
    bootloader_->setRunHandler([weak, restart](std::vector<uint8_t> image) {
        foundation::globalQueue()->asyncAfterSeconds(kRestartSeconds, [weak, image, restart] {
            if (auto glasses = weak.lock()) glasses->restartFrom(image, restart);
        });
    });
    // The microcontroller resets at once; its bootloader enumerates a moment later.
    SimUsbBus::shared().unplug(self);
    foundation::globalQueue()->asyncAfterSeconds(kRestartSeconds, [weak, restart] {
        if (auto glasses = weak.lock()) glasses->rejoin(glasses->bootloader_, restart);
    });
}

void VirtualGlasses::restartFrom(const std::vector<uint8_t>& image, uint64_t restart) {
    if (auto tag = imageVersionTag(image)) firmwareVersion_.set(*tag);
    rejoin(std::static_pointer_cast<VirtualHidDevice>(shared_from_this()), restart);
}

void VirtualGlasses::rejoin(const std::shared_ptr<VirtualHidDevice>& device, uint64_t restart) {
    foundation::MutexLock lock(restartMutex_);
    if (restart == restarts_) SimUsbBus::shared().plug(device);
}

void VirtualGlasses::retire() {
    {
        foundation::MutexLock lock(restartMutex_);
        ++restarts_;
    }
    auto& bus = SimUsbBus::shared();
    if (bus.isPlugged(*bootloader_)) bus.unplug(bootloader_);
    auto self = std::static_pointer_cast<VirtualHidDevice>(shared_from_this());
    if (bus.isPlugged(*self)) bus.unplug(self);
}

}  // namespace platform::sim
