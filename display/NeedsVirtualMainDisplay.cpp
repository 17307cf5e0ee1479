#include "display/ScreenRecognition.h"
#include "localnet/TavroLocalServer.h"

bool needsVirtualMainDisplay() {
    std::string model = TavroLocalServer::getDeviceModel();
    bool hasBuiltin = builtinScreen().has_value();
    if (model.find("Mac mini") != std::string::npos) return true;
    if (hasBuiltin) return false;
    return !findExternalHostScreen().has_value();
}
