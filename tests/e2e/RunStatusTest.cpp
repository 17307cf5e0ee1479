// The run's status tells whether its scenario held: the whole-application tests read it, and
// so does whoever runs the command.
#include <gtest/gtest.h>

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

}  // namespace
