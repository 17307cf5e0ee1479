#include "platform/screens/Screen.h"

#include "platform/screens/DisplayLookup.h"

namespace platform::screens {
namespace {

Screen screenOf(const DisplayInfo& display, double mainHeight) {
    DisplayMode mode = display.mode();
    Screen screen;
    // Global display coordinates grow downwards from the main display's top left corner;
    // screen frames grow upwards from its bottom left corner.
    screen.frame = {display.origin.x, mainHeight - (display.origin.y + mode.height),
                    double(mode.width), double(mode.height)};
    screen.deviceDescription["NSScreenNumber"] = int64_t(display.id);
    screen.localizedName = display.name;
    return screen;
}

}  // namespace

std::vector<Screen> screens() {
    auto displays = detail::snapshot();
    const DisplayInfo* main = detail::mainOf(displays);
    if (!main) return {};
    double mainHeight = main->mode().height;
    std::vector<Screen> list{screenOf(*main, mainHeight)};
    for (const auto& display : displays) {
        if (display.id == main->id || display.mirrorOf != kNullDisplay) continue;
        list.push_back(screenOf(display, mainHeight));
    }
    return list;
}

std::optional<Screen> mainScreen() {
    auto list = screens();
    if (list.empty()) return std::nullopt;
    return list.front();
}

}  // namespace platform::screens
