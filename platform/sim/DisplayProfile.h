#pragma once
// The displays of a machine profile: the built-in panel or none, the external displays,
// whether the glasses' display comes up mirrored or extended, and whether the machine can
// make virtual displays. Part of the machine profile JSON:
//
//   "builtinDisplay": {"name": "Built-in Retina Display", "vendorId": 1552,
//                      "productId": 41240, "serial": 0,
//                      "modes": [{"width": 1512, "height": 982, "refreshRate": 120}]},
//   "externalDisplays": [{"name": "DELL U2723QE", ...}],
//   "glassesDisplay": "mirrored",        (or "extended", the default)
//   "virtualDisplays": true              (the default)
//
// Parsing is pure and never throws.

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Result.h"
#include "platform/screens/DisplayTypes.h"

namespace platform::sim {

struct DisplayProfile {
    std::string name;
    uint32_t vendor = screens::kUnknownDisplayNumber;
    uint32_t model = screens::kUnknownDisplayNumber;
    uint32_t serial = 0;
    std::vector<screens::DisplayMode> modes;
    size_t currentMode = 0;
};

struct MachineDisplays {
    std::optional<DisplayProfile> builtinDisplay;
    std::vector<DisplayProfile> externalDisplays;
    bool glassesMirrored = false;
    bool virtualDisplays = true;
};

// Reads the display fields of a profile's root object; an error names the wrong field.
foundation::Result<MachineDisplays> parseMachineDisplays(const nlohmann::json& root);

}  // namespace platform::sim
