#include <gtest/gtest.h>

#include "platform/foundation/FileSystem.h"
#include "platform/sim/ScenarioRunner.h"
#include "tests/support/TemporaryHome.h"
#include "tests/support/Waits.h"

using namespace platform::sim;
namespace fdn = platform::foundation;

namespace {

// The simulated Mac's log files outlive its runs: a line an earlier run wrote is not one
// this run wrote, while this run's lines count wherever its file began.
TEST(ScenarioRunner, ExpectsLogLinesOfThisRunOnly) {
    test_support::TemporaryHome home("scenario-runner");
    const std::string log = fdn::documentsDirectory() + "/.Tavro3D/tavri_log_3D-Halvane.log";
    ASSERT_FALSE(fdn::createDirectory(fdn::documentsDirectory() + "/.Tavro3D", true));
    const auto append = [&](const std::string& line) {
        return fdn::appendToFile(log, {reinterpret_cast<const uint8_t*>(line.data()), line.size()});
    };
    ASSERT_FALSE(append("2024-01-01 10:00:00: written by an earlier run\n"));
    auto scenario = parseScenario(R"({"steps": [
        {"do": "expectLog", "line": "written by this run", "within": 30},
        {"do": "expectLog", "line": "written by an earlier run", "within": 0.2}]})");
    ASSERT_TRUE(scenario);
    SimMac mac(parseMachineProfile("{}").value());
    ScenarioRunner::Options options;
    options.quitAtEnd = false;
    ScenarioRunner runner(std::move(scenario).value(), mac, nullptr, nullptr, options);
    runner.start();
    ASSERT_FALSE(append("2024-01-01 10:00:01: written by this run\n"));
    ASSERT_TRUE(test_support::waitUntil([&] { return runner.finished(); }, 30));
    const auto failures = runner.failures();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("written by an earlier run"), std::string::npos) << failures[0];
}

}  // namespace
