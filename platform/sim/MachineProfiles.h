#pragma once
// The machine profiles shipped with the application (resources/machines/<name>.json):
// "macbook", "macbook-intel", "macmini", "macmini-monitor" and "imac". Any thread.
// A name is a file name of that folder: one with a "/" or a leading "." (so also "..") is
// refused, and so is a profile that is not a regular file of sane size.

#include <string>

#include "platform/foundation/Result.h"
#include "platform/sim/MachineProfile.h"

namespace platform::sim {

foundation::Result<MachineProfile> machineProfileNamed(const std::string& name);

}  // namespace platform::sim
