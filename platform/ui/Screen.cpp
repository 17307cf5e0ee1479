#include "platform/ui/Screen.h"

#include <mutex>

#include "platform/foundation/Dispatch.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {

std::mutex& sourceMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<ScreenSource>& installed() {
    static std::shared_ptr<ScreenSource> source;
    return source;
}

Screen defaultScreen() {
    return {1, "Display", {0, 0, 1440, 900}, {0, 0, 1440, 875}, 1.0};
}

}  // namespace

void setScreenSource(std::shared_ptr<ScreenSource> source) {
    std::lock_guard lock(sourceMutex());
    installed() = std::move(source);
}

std::vector<Screen> Screen::screens() {
    std::shared_ptr<ScreenSource> source;
    {
        std::lock_guard lock(sourceMutex());
        source = installed();
    }
    if (!source) return {defaultScreen()};
    return source->screens();
}

std::optional<Screen> Screen::mainScreen() {
    auto all = screens();
    if (all.empty()) return std::nullopt;
    if (platform::foundation::isMainThread()) {
        if (auto key = Application::shared().keyWindow()) {
            if (auto screen = key->screen()) return screen;
        }
    }
    return all.front();
}

}  // namespace platform::ui
