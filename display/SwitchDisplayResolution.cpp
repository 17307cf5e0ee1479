#include "display/ScreenRecognition.h"
#include "platform/screens/DisplayServices.h"

namespace screens = platform::screens;

void switchDisplayResolution(uint32_t display, double width, double height,
                             const std::function<void(bool)>& completion) {
    auto report = [&](bool ok) {
        if (completion) completion(ok);
    };
    if (auto current = screens::displayCopyDisplayMode(display);
        current && double(current->width) == width && double(current->height) == height) {
        report(true);
        return;
    }
    auto modes = screens::displayCopyAllDisplayModes(display);
    if (!modes || modes->empty()) {
        report(false);
        return;
    }
    // Only the width chooses the mode; the platform's order decides between equal widths.
    for (const auto& mode : *modes) {
        if (double(mode.width) != width) continue;
        report(screens::displaySetDisplayMode(display, mode) == screens::kDisplaySuccess);
        return;
    }
    report(false);
}
