#include "common/TavroFirmwareVersions.h"

namespace common {

bool isVersionOfFamily(std::string_view version, const FirmwareFamily& family) {
    return version.find(family.prefix) != std::string_view::npos;
}

std::optional<FirmwareFamily> firmwareFamilyOfVersion(std::string_view version) {
    for (const FirmwareFamily& family : kFirmwareFamilies) {
        if (isVersionOfFamily(version, family)) return family;
    }
    return std::nullopt;
}

std::optional<std::string_view> firmwareUpdateTarget(std::string_view version) {
    for (const FirmwareFamily& family : kFirmwareFamilies) {
        if (!family.updateTarget.empty() && isVersionOfFamily(version, family))
            return family.updateTarget;
    }
    return std::nullopt;
}

bool isGlassVersionMissing(std::string_view version) {
    return version.find(kGlassVersionMissing) != std::string_view::npos;
}

std::string_view glassVersionAfterUnplug(std::string_view version) {
    if (auto family = firmwareFamilyOfVersion(version)) return family->placeholder;
    return version;
}

}  // namespace common
