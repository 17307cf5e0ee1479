#include "platform/sim/MachineProfile.h"

#include <nlohmann/json.hpp>

namespace platform::sim {
namespace {

foundation::Error profileError(const std::string& what) {
    return {"SimMac.profile", 1, "machine profile: " + what};
}

// Reads an optional field of the expected kind; false when it is there with another kind.
bool readText(const nlohmann::json& object, const char* key, std::optional<std::string>& out) {
    auto found = object.find(key);
    if (found == object.end()) return true;
    if (!found->is_string()) return false;
    out = found->get<std::string>();
    return true;
}

bool readBoolean(const nlohmann::json& object, const char* key, bool& out) {
    auto found = object.find(key);
    if (found == object.end()) return true;
    if (!found->is_boolean()) return false;
    out = found->get<bool>();
    return true;
}

bool readInteger(const nlohmann::json& object, const char* key, std::optional<int64_t>& out) {
    auto found = object.find(key);
    if (found == object.end()) return true;
    if (!found->is_number_integer()) return false;
    out = found->get<int64_t>();
    return true;
}

}  // namespace

foundation::Result<MachineProfile> parseMachineProfile(std::string_view json) {
    nlohmann::json root = nlohmann::json::parse(json, nullptr, false);
    if (root.is_discarded() || !root.is_object()) return profileError("not a JSON object");

    MachineProfile profile;
    if (!readText(root, "model", profile.machine.model) ||
        !readText(root, "cpuBrand", profile.machine.cpuBrand) ||
        !readText(root, "locale", profile.machine.appleLocale)) {
        return profileError("model, cpuBrand and locale are texts");
    }
    if (auto languages = root.find("preferredLanguages"); languages != root.end()) {
        if (!languages->is_array()) return profileError("preferredLanguages is a list");
        for (const auto& language : *languages) {
            if (!language.is_string()) return profileError("preferredLanguages holds texts");
            profile.machine.preferredLanguages.push_back(language.get<std::string>());
        }
    }
    if (auto glasses = root.find("glasses"); glasses != root.end()) {
        if (!glasses->is_array()) return profileError("glasses is a list");
        for (const auto& entry : *glasses) {
            if (!entry.is_object()) return profileError("each glasses entry is an object");
            GlassesProfile pair;
            std::optional<std::string> kind;
            if (!readText(entry, "kind", kind) || !readInteger(entry, "vendorId", pair.vendorId) ||
                !readInteger(entry, "productId", pair.productId) ||
                !readText(entry, "firmware", pair.firmware)) {
                return profileError("glasses fields have the wrong type");
            }
            if (kind) pair.kind = *kind;
            if (pair.kind != "gen1" && pair.kind != "gen2" && pair.kind != "gen2pro" &&
                pair.kind != "wake") {
                return profileError("unknown glasses kind " + pair.kind);
            }
            profile.glasses.push_back(std::move(pair));
        }
    }
    if (auto permissions = root.find("permissions"); permissions != root.end()) {
        if (!permissions->is_object() ||
            !readBoolean(*permissions, "screenRecording", profile.permissions.screenRecording) ||
            !readBoolean(*permissions, "accessibility", profile.permissions.accessibility)) {
            return profileError("permissions is an object of Booleans");
        }
    }
    TAVRO_TRY(displays, parseMachineDisplays(root));
    profile.displays = std::move(displays);
    return profile;
}

}  // namespace platform::sim
