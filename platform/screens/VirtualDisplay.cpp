#include "platform/screens/VirtualDisplay.h"

namespace platform::screens {

std::shared_ptr<VirtualDisplay> VirtualDisplay::make(const VirtualDisplayDescriptor& descriptor) {
    auto server = displayServer();
    if (!server || !server->supportsVirtualDisplays()) return nullptr;
    DisplayId id = server->reserveDisplayId();
    return std::shared_ptr<VirtualDisplay>(new VirtualDisplay(server, descriptor, id));
}

VirtualDisplay::VirtualDisplay(std::shared_ptr<DisplayServer> server,
                               VirtualDisplayDescriptor descriptor, DisplayId id)
    : server_(std::move(server)), descriptor_(std::move(descriptor)), displayID_(id) {}

VirtualDisplay::~VirtualDisplay() {
    if (shown_) server_->removeVirtualDisplay(displayID_);
}

bool VirtualDisplay::applySettings(const VirtualDisplaySettings& settings) {
    VirtualDisplayTraits traits;
    traits.name = descriptor_.name();
    traits.vendor = descriptor_.vendorID();
    traits.product = descriptor_.productID();
    traits.serial = descriptor_.serialNum();
    for (const auto& mode : settings.modes) {
        if (mode.width == 0 || mode.height == 0) return false;
        if (mode.width > descriptor_.maxPixelsWide() || mode.height > descriptor_.maxPixelsHigh()) {
            return false;
        }
        traits.modes.push_back({mode.width, mode.height, mode.refreshRate});
    }
    if (traits.modes.empty()) return false;
    if (!server_->addVirtualDisplay(displayID_, traits)) return false;
    shown_ = true;
    return true;
}

}  // namespace platform::screens
