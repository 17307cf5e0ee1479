#include "common/TavroFirmwareVersions.h"

namespace common {

std::optional<FirmwareFamily> firmwareFamilyOfVersion(std::string_view version) {
    for (const FirmwareFamily& family :
         {kFirmwareFamilyV1, kFirmwareFamilyV2, kFirmwareFamilyV2Pro}) {
        if (version.find(family.prefix) != std::string_view::npos) return family;
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
