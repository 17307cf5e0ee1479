
#include "display/ScreenNames.h"
#include "display/ScreenRecognition.h"
#include "platform/foundation/Guarded.h"
#include "platform/screens/DisplayServices.h"

namespace {

platform::foundation::Guarded<std::optional<Screen>>& cachedBuiltin() {
    static platform::foundation::Guarded<std::optional<Screen>> screen;
    return screen;
}

}  // namespace

std::optional<Screen> builtinScreen() {
    if (auto cached = cachedBuiltin().get()) return cached;
    for (const auto& screen : platform::screens::screens()) {
        auto number = displayNumberOf(screen);
        if (!number || !platform::screens::displayIsBuiltin(*number)) continue;
        // Another thread may have found it first; keep the one stored.
        return cachedBuiltin().update([&](std::optional<Screen>& cached) {
            if (!cached) cached = screen;
            return cached;
        });
    }
    return std::nullopt;
}

void display_detail::forgetBuiltinScreen() {
    cachedBuiltin().set(std::nullopt);
}

std::optional<Screen> findHostScreen() {
    if (auto builtin = builtinScreen()) return builtin;
    for (const auto& screen : platform::screens::screens()) {
        if (isHostScreenName(screen.localizedName)) return screen;
    }
    return std::nullopt;
}

std::optional<Screen> findExternalHostScreen() {
    bool hasBuiltin = builtinScreen().has_value();
    if (hasBuiltin) return std::nullopt;
    for (const auto& screen : platform::screens::screens()) {
        if (isHostScreenName(screen.localizedName)) return screen;
    }
    return std::nullopt;
}

std::optional<uint32_t> screenNumber() {
    auto screen = findExternalHostScreen();
    if (!screen) return std::nullopt;
    return displayNumberOf(*screen);
}
