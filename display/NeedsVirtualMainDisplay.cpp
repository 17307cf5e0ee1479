#include "display/ScreenRecognition.h"
#include "localnet/TavroLocalServer.h"

bool needsVirtualMainDisplay() {
    // Through the shared server on purpose: obtaining it starts it listening, so the
    // companion application can connect from the first time this is asked.
    std::string model = TavroLocalServer::shareManager().getDeviceModel();
    bool hasBuiltin = builtinScreen().has_value();
    if (model.find("Mac mini") != std::string::npos) return true;
    if (hasBuiltin) return false;
    return !findExternalHostScreen().has_value();
}
