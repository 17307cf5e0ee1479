#include "common/MacModelFamily.h"
#include "display/ScreenRecognition.h"

bool needsVirtualMainDisplay() {
    std::string model = common::macModelFamily();
    bool hasBuiltin = builtinScreen().has_value();
    if (model.find("Mac mini") != std::string::npos) return true;
    if (hasBuiltin) return false;
    return !findExternalHostScreen().has_value();
}
