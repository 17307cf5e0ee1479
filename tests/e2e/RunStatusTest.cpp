// The run's status tells whether its scenario held: the whole-application tests read it, and
// so does whoever runs the command. The result also tells when the run log misses lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "E2eSupport.h"

namespace {

TEST(RunStatus, AnUnmetExpectationEndsTheRunWithStatusOneAndNamesIt) {
    test_support::TemporaryFolder folder("tavro-e2e");
    const auto result = e2e::playScenario(e2e::writeScenario(folder, R"({"steps": [
        {"do": "expectPanel", "panel": "TavroHomeNewViewController", "within": 30},
        {"do": "expectPanel", "panel": "NoSuchViewController", "within": 1}]})"));
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_TRUE(result.error.empty()) << result.error;
    ASSERT_EQ(result.failures.size(), 1u) << e2e::failuresOf(result);
    EXPECT_NE(
        result.failures.front().find("expect panel NoSuchViewController: not seen within 1 s"),
        std::string::npos)
        << result.failures.front();
}

// A disk that fills while the run goes on: the descriptors that write files named `name`
// are made to reach /dev/full, so that their next write fails as on a full disk. How many.
int fillTheDiskUnder(const std::string& name) {
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (full < 0) return 0;
    int reached = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code unreadable;
        const auto target = std::filesystem::read_symlink(entry.path(), unreadable);
        if (!unreadable && target.filename() == name &&
            ::dup3(full, std::stoi(entry.path().filename()), O_CLOEXEC) >= 0)
            ++reached;
    }
    ::close(full);
    return reached;
}

TEST(RunStatus, ALogThatMissesLinesIsToldInTheResultAndTheStatusStaysTheScenarios) {
    test_support::TemporaryFolder folder("tavro-e2e");
    int reached = 0;
    const auto result = e2e::playScenario(e2e::writeScenario(folder, R"({"steps": [
            {"do": "expectPanel", "panel": "TavroHomeNewViewController", "within": 30}]})"),
                                          [&](app::RunView&) {
                                              // The run's last line, its quit, is the first the
                                              // disk does not take.
                                              reached = fillTheDiskUnder("run.log");
                                          });
    EXPECT_EQ(reached, 1);
    EXPECT_EQ(result.exitStatus, 0) << e2e::failuresOf(result);
    const std::string runLog = result.snapshotsFolder + "/run.log";
    EXPECT_NE(result.logFailure.find("cannot write " + runLog), std::string::npos)
        << result.logFailure;
    EXPECT_NE(result.logFailure.find(std::strerror(ENOSPC)), std::string::npos)
        << result.logFailure;
}

}  // namespace
