#include "platform/sim/MachineProfiles.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/FileSystem.h"

namespace platform::sim {

namespace {

// Profiles are a few hundred bytes; anything near this is not one.
constexpr uint64_t kMaximumProfileSize = 1024 * 1024;

// A name comes from the command line or a scenario: it names a file of the profiles folder
// and nothing outside it.
bool isPlainName(const std::string& name) {
    return !name.empty() && name.front() != '.' && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

}  // namespace

foundation::Result<MachineProfile> machineProfileNamed(const std::string& name) {
    if (!isPlainName(name)) {
        return foundation::Error{"SimMac.profile", 3,
                                 "no machine profile " + name + " (a name, without a folder)"};
    }
    auto path = foundation::Bundle::main().pathForResource(name, "json", "machines");
    if (!path) return foundation::Error{"SimMac.profile", 3, "no machine profile " + name};
    TAVRO_TRY(data, foundation::readRegularFile(*path, kMaximumProfileSize));
    return parseMachineProfile(
        std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

}  // namespace platform::sim
