#include "platform/screens/DisplayServices.h"

#include "platform/screens/DisplayLookup.h"

namespace platform::screens {

using detail::find;
using detail::snapshot;

DisplayError onlineDisplayList(uint32_t capacity, std::vector<DisplayId>& displays) {
    displays.clear();
    for (const auto& display : snapshot()) {
        if (displays.size() >= capacity) break;
        displays.push_back(display.id);
    }
    return kDisplaySuccess;
}

bool displayIsBuiltin(DisplayId display) {
    auto displays = snapshot();
    const DisplayInfo* info = find(displays, display);
    return info && info->builtin;
}

bool displayIsMain(DisplayId display) {
    return display != kNullDisplay && mainDisplayId() == display;
}

bool displayIsInMirrorSet(DisplayId display) {
    return detail::inMirrorSet(snapshot(), display);
}

DisplayId mainDisplayId() {
    auto displays = snapshot();
    const DisplayInfo* main = detail::mainOf(displays);
    return main ? main->id : kNullDisplay;
}

uint32_t displayVendorNumber(DisplayId display) {
    auto displays = snapshot();
    const DisplayInfo* info = find(displays, display);
    return info ? info->vendor : kUnknownDisplayNumber;
}

uint32_t displayModelNumber(DisplayId display) {
    auto displays = snapshot();
    const DisplayInfo* info = find(displays, display);
    return info ? info->model : kUnknownDisplayNumber;
}

uint32_t displaySerialNumber(DisplayId display) {
    auto displays = snapshot();
    const DisplayInfo* info = find(displays, display);
    return info ? info->serial : 0;
}

Rect displayBounds(DisplayId display) {
    auto displays = snapshot();
    const DisplayInfo* info = find(displays, display);
    if (!info) return {};
    DisplayMode mode = info->mode();
    return {info->origin.x, info->origin.y, double(mode.width), double(mode.height)};
}

std::optional<DisplayMode> displayCopyDisplayMode(DisplayId display) {
    auto displays = snapshot();
    const DisplayInfo* info = find(displays, display);
    if (!info || info->modes.empty()) return std::nullopt;
    return info->mode();
}

std::optional<std::vector<DisplayMode>> displayCopyAllDisplayModes(DisplayId display) {
    auto displays = snapshot();
    const DisplayInfo* info = find(displays, display);
    if (!info) return std::nullopt;
    return info->modes;
}

DisplayError displaySetDisplayMode(DisplayId display, const DisplayMode& mode) {
    auto server = displayServer();
    return server ? server->setMode(display, mode) : kDisplayInvalidConnection;
}

DisplayError displayServicesGetBrightness(DisplayId display, float& brightness) {
    auto server = displayServer();
    auto value = server ? server->brightness(display) : std::nullopt;
    if (!value) return kDisplayFailure;
    brightness = *value;
    return kDisplaySuccess;
}

DisplayError displayServicesSetBrightness(DisplayId display, float brightness) {
    auto server = displayServer();
    return server ? server->setBrightness(display, brightness) : kDisplayFailure;
}

std::optional<foundation::ValueDictionary> sessionCopyCurrentDictionary() {
    auto server = displayServer();
    return server ? server->sessionDictionary() : std::nullopt;
}

DisplayError warpMouseCursorPosition(Point point) {
    auto server = displayServer();
    return server ? server->moveCursor(point) : kDisplayFailure;
}

std::optional<Point> cursorPosition() {
    auto server = displayServer();
    return server ? server->cursorPosition() : std::nullopt;
}

std::optional<std::vector<foundation::ValueDictionary>> displayConnectInfoDictionaries() {
    auto server = displayServer();
    if (!server) return std::nullopt;
    std::vector<foundation::ValueDictionary> services;
    for (const auto& display : server->displays()) {
        // Virtual displays have no display connection in the registry.
        if (display.isVirtual) continue;
        foundation::ValueDictionary info;
        if (display.vendor != kUnknownDisplayNumber) {
            info["DisplayVendorID"] = int64_t(display.vendor);
        }
        if (display.model != kUnknownDisplayNumber) {
            info["DisplayProductID"] = int64_t(display.model);
        }
        if (display.serial != 0) info["DisplaySerialNumber"] = int64_t(display.serial);
        info["DisplayProductName"] =
            server->registryProductNames(display.id)
                .value_or(foundation::ValueDictionary{{"en_US", display.name}});
        services.push_back(std::move(info));
    }
    return services;
}

}  // namespace platform::screens
