#include "display/ScreenNames.h"

#include <algorithm>
#include <string>

#include "display/ScreenRecognition.h"

std::string lowercasedName(std::string_view name) {
    std::string lowered(name);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return lowered;
}

bool isTavroGlassScreenName(std::string_view name) {
    std::string lowered = lowercasedName(name);
    return lowered.find("tavro") != std::string::npos &&
           lowered.find("monitor") == std::string::npos;
}

bool isHostScreenName(std::string_view name) {
    std::string lowered = lowercasedName(name);
    return lowered.find("tavro") == std::string::npos &&
           lowered.find("monitor") == std::string::npos;
}

std::optional<uint32_t> displayNumberOf(const Screen& screen) {
    auto found = screen.deviceDescription.find("NSScreenNumber");
    if (found == screen.deviceDescription.end() || !found->second.isInteger()) return std::nullopt;
    int64_t number = found->second.asInt64();
    if (number < 0 || number > int64_t(UINT32_MAX)) return std::nullopt;
    return uint32_t(number);
}
