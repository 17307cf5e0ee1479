
#include "display/ScreenNames.h"
#include "display/ScreenRecognition.h"
#include "platform/foundation/Mutex.h"
#include "platform/screens/DisplayServices.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

namespace {

Mutex& cacheMutex() {
    static Mutex mutex;
    return mutex;
}

std::optional<Screen>& cachedBuiltin() {
    static std::optional<Screen> screen;
    return screen;
}

}  // namespace

std::optional<Screen> builtinScreen() {
    {
        MutexLock lock(cacheMutex());
        if (cachedBuiltin()) return cachedBuiltin();
    }
    for (const auto& screen : platform::screens::screens()) {
        auto number = displayNumberOf(screen);
        if (!number || !platform::screens::displayIsBuiltin(*number)) continue;
        MutexLock lock(cacheMutex());
        // Another thread may have found it first; keep the one stored.
        if (!cachedBuiltin()) cachedBuiltin() = screen;
        return cachedBuiltin();
    }
    return std::nullopt;
}

void display_detail::forgetBuiltinScreen() {
    MutexLock lock(cacheMutex());
    cachedBuiltin().reset();
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
