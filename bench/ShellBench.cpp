// The whole application on a simulated MacBook, started as a process:
// 1. From the plug-in to the start panel: the run log stamps both on the clock, so at clock
//    speed S the real time is T(S) = A + W / S, where W is the sum of the waits the plug
//    sequence makes and A the time the application adds of its own. Runs at two speeds give
//    both; W is printed next to A.
// 2. At rest with glasses connected (the start panel shown, IMU samples streaming at
//    1000 a second): the application's share of one core over ten seconds, and its
//    resident memory.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/Waits.h"

namespace {

namespace fs = std::filesystem;

struct Run {
    std::unique_ptr<test_support::ChildProcess> process;
    fs::path folder;
};

std::string bundleScenario(const std::string& name) {
    return (fs::path(TAVRO_APP_BINARY).parent_path().parent_path() / "resources" / "scenarios" /
            (name + ".json"))
        .string();
}

Run start(const std::string& scenario, double speed, const fs::path& root) {
    Run run;
    run.folder = root / ("run-" + std::to_string(speed) + "-" + std::to_string(::rand()));
    test_support::ChildProcess::Options options;
    options.environment = {"TMPDIR=" + root.string(), "QT_QPA_PLATFORM=offscreen"};
    options.withoutVariables = {"DISPLAY"};
    options.discardOutput = true;
    options.endSignal = SIGKILL;
    run.process = std::make_unique<test_support::ChildProcess>();
    run.process->start({TAVRO_APP_BINARY, "--scenario", bundleScenario(scenario), "--speed",
                        std::to_string(speed), "--snapshots", run.folder.string()},
                       options);
    return run;
}

std::string logOf(const Run& run) {
    std::ifstream file(run.folder / "run.log");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The clock stamp of the first log line holding `part`.
std::optional<double> stampOf(const std::string& log, const std::string& part) {
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find(part) == std::string::npos || line.size() < 2 || line[0] != '[') continue;
        return std::stod(line.substr(1));
    }
    return std::nullopt;
}

bool waitForLog(const Run& run, const std::string& part, double seconds) {
    return test_support::waitUntil([&] { return logOf(run).find(part) != std::string::npos; },
                                   seconds);
}

// The exit status; -1 when the run did not end in time (it is killed) or a signal ended it.
int finish(Run& run, double seconds) {
    const auto status = run.process->wait(seconds);
    if (!status) run.process.reset();
    return status && *status < 128 ? *status : -1;
}

// Real seconds from the plug-in to the start panel at `speed`; none when the run failed.
std::optional<double> plugToStartPanel(double speed, const fs::path& root) {
    Run run = start("bench-plug", speed, root);
    if (!run.process->started() || finish(run, 300) != 0) return std::nullopt;
    const std::string log = logOf(run);
    auto plugged = stampOf(log, "step: plug");
    auto shown = stampOf(log, "] panel TavroHomeStartViewController");
    if (!plugged || !shown) return std::nullopt;
    return (*shown - *plugged) / speed;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

uint64_t cpuTicks(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), {});
    auto close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    uint64_t utime = 0, stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) utime = std::stoull(field);
        if (index == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return utime + stime;
}

long residentKilobytes(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

}  // namespace

int main() {
    const fs::path root =
        fs::temp_directory_path() / ("tavro-shell-bench-" + std::to_string(::getpid()));
    fs::create_directories(root);
    constexpr double kSlow = 10, kFast = 50;
    std::vector<double> slow, fast;
    for (int i = 0; i < 3; ++i) {
        auto a = plugToStartPanel(kSlow, root);
        auto b = plugToStartPanel(kFast, root);
        if (!a || !b) {
            std::fprintf(stderr, "a run did not reach the start panel\n");
            fs::remove_all(root);
            return 1;
        }
        slow.push_back(*a);
        fast.push_back(*b);
    }
    const double t1 = median(slow), t2 = median(fast);
    const double added = (kSlow * t1 - kFast * t2) / (kSlow - kFast);
    const double waits = kSlow * (t1 - added);
    std::printf("plug-in to start panel: %.3f s real at speed %.0f, %.3f s at speed %.0f\n", t1,
                kSlow, t2, kFast);
    std::printf("  waits of the sequence (clock time): %.3f s\n", waits);
    std::printf("  time the application adds:          %.1f ms (goal: under 50 ms)\n",
                added * 1000);

    Run rest = start("bench-rest", 1, root);
    if (!rest.process->started() ||
        !waitForLog(rest, "] panel TavroHomeStartViewController", 120)) {
        std::fprintf(stderr, "the resting run did not reach the start panel\n");
        rest.process.reset();
        fs::remove_all(root);
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const uint64_t before = cpuTicks(rest.process->pid());
    constexpr int kSeconds = 10;
    std::this_thread::sleep_for(std::chrono::seconds(kSeconds));
    const uint64_t after = cpuTicks(rest.process->pid());
    const long rss = residentKilobytes(rest.process->pid());
    rest.process->signal(SIGTERM);
    const int status = finish(rest, 30);
    const double share = 100.0 * static_cast<double>(after - before) /
                         static_cast<double>(::sysconf(_SC_CLK_TCK)) / kSeconds;
    std::printf(
        "at rest with glasses connected: %.2f %% of one core, %.1f MB resident "
        "(goals: under 1 %%, under 60 MB); quit with status %d\n",
        share, static_cast<double>(rss) / 1024.0, status);
    fs::remove_all(root);
    return 0;
}
