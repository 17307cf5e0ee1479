#include "appstate/AppDelegate.h"
#include "display/ScreenRecognition.h"
#include "display/tavroDisplayManager.h"
#include "platform/foundation/Dispatch.h"
#include "platform/screens/DisplayServices.h"

namespace screens = platform::screens;

namespace {

// The platform may show a new origin in the screen list only later; the configuration is
// repeated at most this often for one screen.
constexpr int kMaxArrangeAttempts = 8;

std::optional<Screen> screenWithNumber(uint32_t number) {
    for (const auto& screen : screens::screens()) {
        if (displayNumberOf(screen) == number) return screen;
    }
    return std::nullopt;
}

bool arrangingAllowed() {
    auto& delegate = AppDelegate::shared();
    return delegate.glassStatus.load() && delegate.modelType.load() == 0;
}

}  // namespace

void tavroDisplayManager::moveTavroGlassPosition() {
    platform::foundation::mainQueue()->async(
        [self = shared_from_this()] { self->arrangeGlassDisplays(); });
}

void tavroDisplayManager::arrangeGlassDisplays() {
    auto list = screens::screens();
    for (size_t i = 0; i < list.size(); ++i) {
        auto main = screens::mainScreen();
        if (!main) return;
        const double width = main->frame.width;
        const double height = main->frame.height;
        if (!isTavroGlassScreenName(list[i].localizedName) || list[i].frame.x < width) continue;
        auto number = displayNumberOf(list[i]);
        if (!number) continue;
        const auto x = int32_t(double(i + 1) * width);
        const auto y = int32_t(-(double(i + 1) * height));
        std::optional<Screen> current = list[i];
        for (int attempt = 0; attempt < kMaxArrangeAttempts && current &&
                              current->frame.y <= height && arrangingAllowed();
             ++attempt) {
            screens::DisplayConfigRef config;
            if (screens::beginDisplayConfiguration(config) != screens::kDisplaySuccess) break;
            if (screens::configureDisplayOrigin(config, *number, x, y) ==
                screens::kDisplaySuccess) {
                screens::completeDisplayConfiguration(config, screens::kConfigurePermanently);
            } else {
                screens::cancelDisplayConfiguration(config);
            }
            current = screenWithNumber(*number);
            if (!current || current->frame.x < width) break;
        }
    }
}
