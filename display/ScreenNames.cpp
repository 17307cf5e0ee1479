#include "display/ScreenNames.h"

#include <string>

#include "display/ScreenRecognition.h"
#include "platform/foundation/AsciiLowercased.h"

namespace {

struct NameWords {
    bool tavro = false;
    bool monitor = false;
};

// The two words the rules look for: the glasses' screens and the application's virtual
// displays are named with "tavro", the virtual displays also with "monitor".
NameWords wordsOf(std::string_view name) {
    const std::string lowered = platform::foundation::asciiLowercased(name);
    return {lowered.find("tavro") != std::string::npos,
            lowered.find("monitor") != std::string::npos};
}

}  // namespace

bool isTavroGlassScreenName(std::string_view name) {
    const NameWords words = wordsOf(name);
    return words.tavro && !words.monitor;
}

bool isHostScreenName(std::string_view name) {
    const NameWords words = wordsOf(name);
    return !words.tavro && !words.monitor;
}

std::optional<uint32_t> displayNumberOf(const Screen& screen) {
    auto found = screen.deviceDescription.find("NSScreenNumber");
    if (found == screen.deviceDescription.end() || !found->second.isInteger()) return std::nullopt;
    int64_t number = found->second.asInt64();
    if (number < 0 || number > int64_t(UINT32_MAX)) return std::nullopt;
    return uint32_t(number);
}
