#include "platform/screens/DisplayLookup.h"

#include "platform/screens/DisplayServer.h"

namespace platform::screens::detail {

std::vector<DisplayInfo> snapshot() {
    auto server = displayServer();
    return server ? server->displays() : std::vector<DisplayInfo>{};
}

const DisplayInfo* find(const std::vector<DisplayInfo>& displays, DisplayId id) {
    for (const auto& display : displays) {
        if (display.id == id) return &display;
    }
    return nullptr;
}

const DisplayInfo* mainOf(const std::vector<DisplayInfo>& displays) {
    const DisplayInfo* firstUnmirrored = nullptr;
    for (const auto& display : displays) {
        if (display.mirrorOf != kNullDisplay) continue;
        if (display.origin == Point{0, 0}) return &display;
        if (!firstUnmirrored) firstUnmirrored = &display;
    }
    return firstUnmirrored;
}

bool inMirrorSet(const std::vector<DisplayInfo>& displays, DisplayId id) {
    const DisplayInfo* display = find(displays, id);
    if (!display) return false;
    if (display->mirrorOf != kNullDisplay) return true;
    for (const auto& other : displays) {
        if (other.mirrorOf == id) return true;
    }
    return false;
}

}  // namespace platform::screens::detail
