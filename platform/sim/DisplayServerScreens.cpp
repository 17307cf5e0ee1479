#include "platform/sim/DisplayServerScreens.h"

#include <algorithm>

#include "platform/screens/DisplayServer.h"

namespace platform::sim {

namespace {
constexpr double kMenuBarHeight = 25;
}

std::vector<ui::Screen> DisplayServerScreens::screens() const {
    auto server = screens::displayServer();
    if (!server) return {};
    std::vector<screens::DisplayInfo> shown;
    for (auto& display : server->displays()) {
        if (display.mirrorOf == screens::kNullDisplay) shown.push_back(std::move(display));
    }
    auto isMain = [](const screens::DisplayInfo& d) { return d.origin.x == 0 && d.origin.y == 0; };
    std::stable_partition(shown.begin(), shown.end(), isMain);
    if (shown.empty()) return {};
    const double mainHeight = shown.front().mode().height;
    std::vector<ui::Screen> result;
    for (const auto& display : shown) {
        const auto mode = display.mode();
        ui::Rect frame(display.origin.x, mainHeight - display.origin.y - mode.height, mode.width,
                       mode.height);
        ui::Rect visible = frame;
        if (result.empty()) visible.size.height = std::max(0.0, frame.size.height - kMenuBarHeight);
        result.push_back({display.id, display.name, frame, visible, 1.0});
    }
    return result;
}

}  // namespace platform::sim
