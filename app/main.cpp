// Process entry. The application runs on the simulated Mac named by --machine (a profile
// in the bundle's "machines" folder; "macbook" by default): it starts its main loop there
// and, for now, quits once the loop has run. The application itself is built on top.
#include <cstdio>
#include <cstring>
#include <string>
#include <variant>
#include <vector>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/screens/DisplayServices.h"
#include "platform/sim/MachineProfiles.h"
#include "platform/sim/SimMac.h"

namespace {

std::string machineArgument(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--machine") == 0) return argv[i + 1];
    }
    return "macbook";
}

}  // namespace

int main(int argc, char** argv) {
    using namespace platform;
    const std::string machineName = machineArgument(argc, argv);
    auto profile = sim::machineProfileNamed(machineName);
    if (auto* error = std::get_if<foundation::Error>(&profile)) {
        std::fprintf(stderr, "Tavro3D: no machine \"%s\": %s\n", machineName.c_str(),
                     error->localizedDescription.c_str());
        return 2;
    }
    sim::SimMac mac(std::get<sim::MachineProfile>(std::move(profile)));

    foundation::mainQueue()->async([&] {
        const auto& bundle = foundation::Bundle::main();
        std::vector<screens::DisplayId> displays;
        screens::onlineDisplayList(16, displays);
        foundation::systemLog(
            "Tavro3D " + bundle.objectForInfoDictionaryKey("CFBundleShortVersionString").text() +
            " started on a simulated " +
            foundation::sysctlString("hw.model").value_or("Mac") + " with " +
            std::to_string(displays.size()) + " display(s)");
        foundation::MainLoop::stop();
    });
    foundation::MainLoop::run();
    return 0;
}
