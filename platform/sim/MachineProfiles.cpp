#include "platform/sim/MachineProfiles.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/FileSystem.h"

namespace platform::sim {

std::variant<MachineProfile, foundation::Error> machineProfileNamed(const std::string& name) {
    auto path = foundation::Bundle::main().pathForResource(name, "json", "machines");
    if (!path) return foundation::Error{"SimMac.profile", 3, "no machine profile " + name};
    auto bytes = foundation::readFile(*path);
    if (auto* error = std::get_if<foundation::Error>(&bytes)) return *error;
    const auto& data = std::get<foundation::Bytes>(bytes);
    return parseMachineProfile(
        std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

}  // namespace platform::sim
