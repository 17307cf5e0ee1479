#pragma once
// Pieces the AI-3D tests share: a flat depth map and a screen looked up by name.

#include <optional>
#include <string>

#include "platform/ui/Screen.h"
#include "stereo3d/DepthMap.h"

// A depth map of `depth` everywhere, for a picture of the given size.
inline DepthMap uniformDepth(size_t width, size_t height, float depth, size_t cell = 8) {
    DepthMap map;
    map.cellSize = cell;
    map.width = (width + cell - 1) / cell;
    map.height = (height + cell - 1) / cell;
    map.depth.assign(map.width * map.height, depth);
    return map;
}

inline std::optional<platform::ui::Screen> screenNamed(const std::string& part) {
    for (const auto& screen : platform::ui::Screen::screens()) {
        if (screen.localizedName.find(part) != std::string::npos) return screen;
    }
    return std::nullopt;
}
