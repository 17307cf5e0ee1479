#include "platform/ui/Screen.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/InstalledBackend.h"
#include "platform/screens/DisplayServer.h"
#include "platform/screens/Screen.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {

constinit foundation::InstalledBackend<ScreenSource> installed;

Screen defaultScreen() {
    return {1, "Display", {0, 0, 1440, 900}, {0, 0, 1440, 900 - kMenuBarHeight}, 1.0};
}

}  // namespace

void setScreenSource(std::shared_ptr<ScreenSource> source) {
    installed.install(std::move(source));
}

std::vector<Screen> displayServerScreens() {
    std::vector<Screen> list;
    for (const auto& shown : platform::screens::screens()) {
        Screen screen;
        auto number = shown.deviceDescription.find("NSScreenNumber");
        if (number != shown.deviceDescription.end()) {
            screen.displayId = static_cast<uint32_t>(number->second.asInt64());
        }
        screen.localizedName = shown.localizedName;
        screen.frame = {shown.frame.x, shown.frame.y, shown.frame.width, shown.frame.height};
        screen.visibleFrame = screen.frame;
        // Only the main display carries the menu bar.
        if (list.empty()) {
            screen.visibleFrame.size.height =
                std::max(0.0, screen.visibleFrame.size.height - kMenuBarHeight);
        }
        list.push_back(std::move(screen));
    }
    return list;
}

std::vector<Screen> Screen::screens() {
    if (auto source = installed.get()) return source->screens();
    if (platform::screens::displayServer()) return displayServerScreens();
    return {defaultScreen()};
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
