#include "platform/sim/DisplayProfile.h"

#include <limits>
#include <nlohmann/json.hpp>

namespace platform::sim {
namespace {

foundation::Error displayError(const std::string& what) {
    return {"SimMac.profile", 2, "machine profile: " + what};
}

bool readNumber32(const nlohmann::json& object, const char* key, uint32_t& out) {
    auto found = object.find(key);
    if (found == object.end()) return true;
    if (!found->is_number_integer()) return false;
    auto value = found->get<int64_t>();
    if (value < 0 || value > int64_t(std::numeric_limits<uint32_t>::max())) return false;
    out = uint32_t(value);
    return true;
}

bool readMode(const nlohmann::json& entry, screens::DisplayMode& mode) {
    if (!entry.is_object()) return false;
    if (!readNumber32(entry, "width", mode.width) || !readNumber32(entry, "height", mode.height)) {
        return false;
    }
    if (mode.width == 0 || mode.height == 0) return false;
    auto rate = entry.find("refreshRate");
    if (rate != entry.end()) {
        if (!rate->is_number() || rate->get<double>() < 0) return false;
        mode.refreshRate = rate->get<double>();
    }
    return true;
}

foundation::Result<DisplayProfile> readDisplay(const nlohmann::json& entry) {
    DisplayProfile display;
    if (!entry.is_object()) return displayError("a display is an object");
    auto name = entry.find("name");
    if (name == entry.end() || !name->is_string()) return displayError("a display has a name");
    display.name = name->get<std::string>();
    if (!readNumber32(entry, "vendorId", display.vendor) ||
        !readNumber32(entry, "productId", display.model) ||
        !readNumber32(entry, "serial", display.serial)) {
        return displayError("display numbers are unsigned 32-bit integers");
    }
    auto modes = entry.find("modes");
    if (modes == entry.end() || !modes->is_array() || modes->empty()) {
        return displayError("a display has a list of modes");
    }
    for (const auto& item : *modes) {
        screens::DisplayMode mode;
        if (!readMode(item, mode)) return displayError("a mode has a width and a height");
        display.modes.push_back(mode);
    }
    uint32_t current = 0;
    if (!readNumber32(entry, "currentMode", current) || current >= display.modes.size()) {
        return displayError("currentMode is the index of a mode");
    }
    display.currentMode = current;
    return display;
}

}  // namespace

foundation::Result<MachineDisplays> parseMachineDisplays(const nlohmann::json& root) {
    MachineDisplays displays;
    if (auto builtin = root.find("builtinDisplay"); builtin != root.end() && !builtin->is_null()) {
        TAVRO_TRY(display, readDisplay(*builtin));
        displays.builtinDisplay = std::move(display);
    }
    if (auto externals = root.find("externalDisplays"); externals != root.end()) {
        if (!externals->is_array()) return displayError("externalDisplays is a list");
        for (const auto& entry : *externals) {
            TAVRO_TRY(display, readDisplay(entry));
            displays.externalDisplays.push_back(std::move(display));
        }
    }
    if (auto glasses = root.find("glassesDisplay"); glasses != root.end()) {
        if (!glasses->is_string() || (*glasses != "mirrored" && *glasses != "extended")) {
            return displayError("glassesDisplay is \"mirrored\" or \"extended\"");
        }
        displays.glassesMirrored = *glasses == "mirrored";
    }
    if (auto virtuals = root.find("virtualDisplays"); virtuals != root.end()) {
        if (!virtuals->is_boolean()) return displayError("virtualDisplays is a Boolean");
        displays.virtualDisplays = virtuals->get<bool>();
    }
    return displays;
}

}  // namespace platform::sim
