#pragma once
// The glasses' firmware version tags: a family prefix immediately followed by the version
// ("TAVRO2_FW_V1.65"). Every tag constant and the family table live here so that the update
// decision, the volume check and the update panel agree on them. No family prefix occurs
// inside another, so a containment test picks exactly one family. Constants only;
// thread-safe.

#include <array>
#include <optional>
#include <string_view>

namespace common {

// Held as the version while none is known; any text containing it counts as missing.
inline constexpr std::string_view kGlassVersionMissing = "V-1.0";

inline constexpr std::string_view checkVolumeVersion_V1 = "TAVRO_FW_V1.30";
inline constexpr std::string_view checkVolumeVersion_V2 = "TAVRO2_FW_V0.0";
inline constexpr std::string_view checkVolumeVersion_V2Pro = "TAVRO2PRO_FW_V0.0";
inline constexpr std::string_view dfuUpdateVersion_V2 = "TAVRO2_FW_V1.65";
inline constexpr std::string_view dfuUpdateVersion_V2Pro = "TAVRO2PRO_FW_V1.53";

// The name the glasses server holds until the first glasses' product name is read.
inline constexpr std::string_view kDefaultGlassName = "TAVRO Glass";

struct FirmwareFamily {
    std::string_view prefix;
    std::string_view placeholder;   // stands while the family's version is not known
    std::string_view updateTarget;  // empty: glasses of this family are never updated
};

inline constexpr FirmwareFamily kFirmwareFamilyV1{"TAVRO_FW_V", "TAVRO_FW_V-1.0", ""};
inline constexpr FirmwareFamily kFirmwareFamilyV2{"TAVRO2_FW_V", "TAVRO2_FW_V-1.0",
                                                  dfuUpdateVersion_V2};
inline constexpr FirmwareFamily kFirmwareFamilyV2Pro{"TAVRO2PRO_FW_V", "TAVRO2PRO_FW_V-1.0",
                                                     dfuUpdateVersion_V2Pro};

// In the order a tag is tried against them.
inline constexpr std::array<FirmwareFamily, 3> kFirmwareFamilies{
    kFirmwareFamilyV1, kFirmwareFamilyV2, kFirmwareFamilyV2Pro};

bool isVersionOfFamily(std::string_view version, const FirmwareFamily& family);
// The family whose prefix the tag contains, if any.
std::optional<FirmwareFamily> firmwareFamilyOfVersion(std::string_view version);
// The version the tag's family is updated to; nothing for a family that is never updated
// and for a text of no family.
std::optional<std::string_view> firmwareUpdateTarget(std::string_view version);
bool isGlassVersionMissing(std::string_view version);
// What the version becomes when the glasses go away: its family's placeholder, so the family
// survives while the version is forgotten; a text of no family stays as it is.
std::string_view glassVersionAfterUnplug(std::string_view version);

}  // namespace common
