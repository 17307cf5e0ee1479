#include "display/ScreenHelpers.h"

#include <algorithm>

#include "display/ScreenRecognition.h"
#include "platform/screens/DisplayServices.h"

namespace screens = platform::screens;

namespace {

// A registry entry matches when it holds the display's number, or lacks it while the
// display reports none.
bool entryMatches(const platform::foundation::ValueDictionary& info, const char* key,
                  uint32_t number, uint32_t none) {
    auto found = info.find(key);
    if (found == info.end()) return number == none;
    return found->second.isNumber() && found->second.asInt64() == int64_t(number);
}

}  // namespace

uint32_t screenDisplayID(const Screen& screen) {
    return displayNumberOf(screen).value_or(0);
}

std::optional<uint32_t> screenVendorNumber(const Screen& screen) {
    uint32_t vendor = screens::displayVendorNumber(screenDisplayID(screen));
    if (vendor == screens::kUnknownDisplayNumber) return std::nullopt;
    return vendor;
}

std::optional<uint32_t> screenModelNumber(const Screen& screen) {
    uint32_t model = screens::displayModelNumber(screenDisplayID(screen));
    if (model == screens::kUnknownDisplayNumber) return std::nullopt;
    return model;
}

std::optional<uint32_t> screenSerialNumber(const Screen& screen) {
    uint32_t serial = screens::displaySerialNumber(screenDisplayID(screen));
    if (serial == 0) return std::nullopt;
    return serial;
}

std::optional<std::string> screenDisplayName(const Screen& screen) {
    auto services = screens::displayConnectInfoDictionaries();
    if (!services) return std::nullopt;
    uint32_t id = screenDisplayID(screen);
    uint32_t vendor = screens::displayVendorNumber(id);
    uint32_t model = screens::displayModelNumber(id);
    uint32_t serial = screens::displaySerialNumber(id);
    for (const auto& info : *services) {
        if (!entryMatches(info, "DisplayVendorID", vendor, screens::kUnknownDisplayNumber) ||
            !entryMatches(info, "DisplayProductID", model, screens::kUnknownDisplayNumber) ||
            !entryMatches(info, "DisplaySerialNumber", serial, 0)) {
            continue;
        }
        // The product name by language; only a dictionary of texts is taken.
        auto names = info.find("DisplayProductName");
        if (names == info.end() || !names->second.isDictionary()) continue;
        const auto& byLanguage = names->second.dictionary();
        auto isText = [](const auto& entry) { return entry.second.isText(); };
        if (byLanguage.empty() || !std::ranges::all_of(byLanguage, isText)) continue;
        return byLanguage.begin()->second.text();
    }
    return std::nullopt;
}
