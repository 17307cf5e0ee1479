#pragma once
// The profile a simulated Mac is built from (JSON): model identifier, CPU brand, locale,
// preferred languages and the glasses to plug in. Parsing is pure and never throws: a
// profile that is not valid JSON or has a field of the wrong type is an Error.
//
//   {"model": "MacBookPro18,3", "cpuBrand": "Apple M1 Pro", "locale": "zh_CN",
//    "preferredLanguages": ["zh-Hans-CN"],
//    "glasses": [{"kind": "gen2", "productId": 32769, "firmware": "TAVRO2_FW_V1.65"}],
//    "permissions": {"screenRecording": true, "accessibility": false}}
//
// Glasses kinds: "gen1", "gen2", "gen2pro", "wake".

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Result.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/sim/DisplayProfile.h"

namespace platform::sim {

struct GlassesProfile {
    std::string kind = "gen2";
    std::optional<int64_t> vendorId;
    std::optional<int64_t> productId;
    std::optional<std::string> firmware;
};

// What the user has allowed the application (both granted when the profile is silent).
struct Permissions {
    bool screenRecording = true;
    bool accessibility = true;
};

struct MachineProfile {
    foundation::MachineValues machine;
    Permissions permissions;
    std::vector<GlassesProfile> glasses;
    MachineDisplays displays;  // see DisplayProfile.h
};

foundation::Result<MachineProfile> parseMachineProfile(std::string_view json);

}  // namespace platform::sim
