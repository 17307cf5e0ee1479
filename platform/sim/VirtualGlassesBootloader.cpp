// The glasses' side of a firmware update: leaving the bus for the bootloader and coming
// back from the image it wrote.
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Mutex.h"
#include "platform/sim/FirmwareImageTag.h"
#include "platform/sim/VirtualGlasses.h"

namespace platform::sim {

std::string VirtualGlasses::firmwareVersion() const {
    foundation::MutexLock lock(mutex_);
    return firmwareVersion_;
}

void VirtualGlasses::enterBootloader() {
    auto self = std::static_pointer_cast<VirtualGlasses>(weak_from_this().lock());
    if (!self) return;
    std::weak_ptr<VirtualGlasses> weak = self;
    bootloader_->setRunHandler([weak](std::vector<uint8_t> image) {
        foundation::globalQueue()->asyncAfterSeconds(kRestartSeconds, [weak, image] {
            if (auto glasses = weak.lock()) glasses->restartFrom(image);
        });
    });
    // The microcontroller resets at once; its bootloader enumerates a moment later.
    SimUsbBus::shared().unplug(self);
    foundation::globalQueue()->asyncAfterSeconds(kRestartSeconds, [weak] {
        if (auto glasses = weak.lock()) SimUsbBus::shared().plug(glasses->bootloader_);
    });
}

void VirtualGlasses::restartFrom(const std::vector<uint8_t>& image) {
    if (auto tag = imageVersionTag(image)) {
        foundation::MutexLock lock(mutex_);
        firmwareVersion_ = *tag;
    }
    SimUsbBus::shared().plug(std::static_pointer_cast<VirtualHidDevice>(shared_from_this()));
}

}  // namespace platform::sim
