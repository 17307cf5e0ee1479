#include "app/RunOptions.h"

#include <cmath>
#include <cstdlib>

namespace app {

std::string runOptionsUsage() {
    return "usage: Tavro3D [--machine NAME] [--scenario FILE|none] [--speed FACTOR] "
           "[--snapshots DIR]\n"
           "  --machine    simulated Mac profile (macbook, macmini, macmini-monitor, imac, ...)\n"
           "  --scenario   JSON scenario to play (default: the bundle's default scenario)\n"
           "  --speed      clock factor, e.g. 10 runs every wait ten times faster\n"
           "  --snapshots  folder for the pictures and the run log\n";
}

namespace {

platform::foundation::Error optionsError(std::string text) {
    return {kRunOptionsErrorDomain, 1, std::move(text)};
}

}  // namespace

platform::foundation::Result<RunOptions> parseRunOptions(
    const std::vector<std::string>& arguments) {
    RunOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "--help" || name == "-h") return optionsError(runOptionsUsage());
        if (name != "--machine" && name != "--scenario" && name != "--speed" &&
            name != "--snapshots") {
            return optionsError("unknown option " + name + "\n" + runOptionsUsage());
        }
        // The next option is not a value: "--machine --speed 3" lacks the machine.
        if (i + 1 >= arguments.size() || arguments[i + 1].empty() ||
            arguments[i + 1].starts_with("--")) {
            return optionsError(name + " needs a value\n" + runOptionsUsage());
        }
        const std::string& value = arguments[++i];
        if (name == "--machine") {
            options.machine = value;
            options.machineGiven = true;
        } else if (name == "--scenario") {
            options.scenarioPath = value;
        } else if (name == "--snapshots") {
            options.snapshotsFolder = value;
        } else {
            char* end = nullptr;
            const double speed = std::strtod(value.c_str(), &end);
            // Faster than a thousand times leaves the application's own work behind the waits.
            if (end == value.c_str() || *end != '\0' || !std::isfinite(speed) || speed <= 0 ||
                speed > 1000) {
                return optionsError("--speed takes a factor above 0 and up to 1000\n" +
                                    runOptionsUsage());
            }
            options.speed = speed;
        }
    }
    return options;
}

}  // namespace app
