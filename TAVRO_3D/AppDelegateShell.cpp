#include "TAVRO_3D/AppDelegateShell.h"

namespace shell {

namespace {
std::atomic<uint64_t> gPlugGeneration{0};
}  // namespace

std::shared_ptr<TavroVXServer> glassServer(const AppDelegate& delegate) {
    return std::dynamic_pointer_cast<TavroVXServer>(delegate.vxServer.get());
}

uint64_t plugGeneration() { return gPlugGeneration.load(); }

uint64_t advancePlugGeneration() { return gPlugGeneration.fetch_add(1) + 1; }

bool plugIsCurrent(uint64_t generation) {
    return gPlugGeneration.load() == generation && AppDelegate::shared().glassStatus.load();
}

void PlugDfuCheckHandler::handleDfuCheckResult(bool needsUpdate) {
    handleDfuCheckResultFor(delegate_, needsUpdate, generation_);
}

void StatusMenuDelegate::menuDidClose(platform::ui::Menu&) {
    AppDelegate::shared().menuDidClose();
}

StatusMenuDelegate& statusMenuDelegate() {
    static StatusMenuDelegate delegate;
    return delegate;
}

bool connectedDeviceIsBootloader(const AppDelegate& delegate) {
    auto server = glassServer(delegate);
    if (!server) return false;
    auto device = server->connectedDevice();
    return device && device->deviceInfo.vendorId == 0x0416 &&
           device->deviceInfo.productId == 0x3F00;
}

}  // namespace shell
