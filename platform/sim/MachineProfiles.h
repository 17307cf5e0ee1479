#pragma once
// The machine profiles shipped with the application (resources/machines/<name>.json):
// "macbook", "macbook-intel", "macmini", "macmini-monitor" and "imac". Any thread.

#include <string>
#include <variant>

#include "platform/foundation/Error.h"
#include "platform/sim/MachineProfile.h"

namespace platform::sim {

std::variant<MachineProfile, foundation::Error> machineProfileNamed(const std::string& name);

}  // namespace platform::sim
