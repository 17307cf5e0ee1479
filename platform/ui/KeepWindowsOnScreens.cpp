#include "platform/ui/KeepWindowsOnScreens.h"

#include <algorithm>
#include <mutex>

#include "platform/screens/Reconfiguration.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/StatusItem.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {

double area(const Rect& rect) {
    return rect.isEmpty() ? 0 : rect.width() * rect.height();
}

// Screens do not overlap (mirrored displays show as one), so a frame is wholly on them when
// its parts on each screen add up to all of it.
bool whollyOnScreens(const Rect& frame, const std::vector<Screen>& screens) {
    double covered = 0;
    for (const Screen& screen : screens) covered += area(screen.frame.intersection(frame));
    return covered >= area(frame) - 0.5;
}

// The nearest place for `frame` inside `area`, its top-left corner kept inside when it is
// larger.
Point placeInside(const Rect& frame, const Rect& area) {
    const double x = std::max(area.minX(), std::min(frame.minX(), area.maxX() - frame.width()));
    const double top = std::min(area.maxY(), std::max(frame.maxY(), area.minY() + frame.height()));
    return {x, top - frame.height()};
}

}  // namespace

void keepWindowsOnScreens() {
    const auto screens = Screen::screens();
    if (screens.empty()) return;
    StatusBar::system().layout();
    const Rect& mainArea = screens.front().visibleFrame;
    for (const auto& window : Application::shared().orderedWindows()) {
        if (!window->isVisible() || window->isFullScreen()) continue;
        const Rect frame = window->frame();
        if (area(frame) == 0 || whollyOnScreens(frame, screens)) continue;
        window->setFrameOrigin(placeInside(frame, mainArea));
    }
}

void followDisplayChanges() {
    static std::once_flag once;
    std::call_once(once, [] {
        platform::screens::registerReconfigurationCallback(
            [](platform::screens::DisplayId, uint32_t) { keepWindowsOnScreens(); });
    });
}

}  // namespace platform::ui
