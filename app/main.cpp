// Process entry: parses the options, runs the application on its simulated Mac until it
// quits, and ends the process with the run's status.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/ApplicationRun.h"
#include "app/RunOptions.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    auto parsed = app::parseRunOptions(arguments);
    if (!parsed) {
        const bool help =
            arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h");
        std::fputs(parsed.error().localizedDescription.c_str(), help ? stdout : stderr);
        return help ? 0 : 2;
    }
    if (const char* moment = std::getenv("TAVRO3D_QUIT_SIGNAL_AT")) parsed->quitSignalAt = moment;
    if (const char* starts = std::getenv("TAVRO3D_HOLD_QUIT_FOR_START"))
        parsed->holdQuitForStarts = std::max(1, std::atoi(starts));
    if (const char* wait = std::getenv("TAVRO3D_QUITTING_COPY_WAIT_MS"))
        parsed->quittingCopyWait = std::chrono::milliseconds(std::max(0, std::atoi(wait)));
    const auto result = app::runApplication(*parsed);
    if (!result.error.empty()) std::fprintf(stderr, "Tavro3D: %s\n", result.error.c_str());
    for (const auto& failure : result.failures)
        std::fprintf(stderr, "Tavro3D: scenario: %s\n", failure.c_str());
    if (!result.logFailure.empty())
        std::fprintf(stderr, "Tavro3D: the run log is incomplete: %s\n", result.logFailure.c_str());
    if (!result.snapshotsFolder.empty())
        std::printf("Pictures and log: %s\n", result.snapshotsFolder.c_str());
    return result.exitStatus;
}
