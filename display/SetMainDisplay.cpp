#include "display/ScreenRecognition.h"
#include "display/tavroDisplayManager.h"
#include "platform/foundation/Clock.h"
#include "platform/screens/DisplayServices.h"

namespace screens = platform::screens;

void tavroDisplayManager::setMainDisplay(std::optional<uint32_t> display) {
    if (!display) return;
    auto main = screens::mainScreen();
    if (!main) return;
    uint32_t mainNumber = displayNumberOf(*main).value_or(screens::kNullDisplay);
    if (mainNumber == *display) return;
    platform::foundation::Clock::current().sleepForSeconds(0.5);

    screens::DisplayConfigRef config;
    if (screens::beginDisplayConfiguration(config) != screens::kDisplaySuccess) return;
    // A fixed offset, whatever the width of the display it moves.
    screens::configureDisplayOrigin(config, mainNumber, 4224, 0);
    screens::configureDisplayOrigin(config, *display, 0, 0);
    if (screens::completeDisplayConfiguration(config, screens::kConfigurePermanently) !=
        screens::kDisplaySuccess) {
        screens::cancelDisplayConfiguration(config);
    }
}
