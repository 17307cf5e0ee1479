#include <gtest/gtest.h>

#include "app/RunOptions.h"

namespace {

TEST(RunOptions, ReadsTheFourOptions) {
    auto parsed = app::parseRunOptions({"--machine", "macmini", "--scenario", "x.json", "--speed",
                                        "12.5", "--snapshots", "/tmp/p"});
    ASSERT_TRUE(parsed) << parsed.error().localizedDescription;
    const auto& options = *parsed;
    EXPECT_EQ(options.machine, "macmini");
    EXPECT_TRUE(options.machineGiven);
    EXPECT_EQ(options.scenarioPath, "x.json");
    EXPECT_EQ(options.speed, 12.5);
    EXPECT_EQ(options.snapshotsFolder, "/tmp/p");

    auto defaults = app::parseRunOptions({}).value();
    EXPECT_EQ(defaults.machine, "macbook");
    EXPECT_FALSE(defaults.machineGiven);
    EXPECT_EQ(defaults.speed, 1.0);
}

TEST(RunOptions, ABadCommandLineIsAnErrorText) {
    for (const auto& bad :
         std::vector<std::vector<std::string>>{{"--speed"},
                                               {"--speed", "0"},
                                               {"--speed", "-3"},
                                               {"--speed", "fast"},
                                               {"--speed", "nan"},
                                               {"--speed", "1e9"},
                                               {"--speed", "2x"},
                                               {"--machine", ""},
                                               {"--colour", "red"},
                                               {"macbook"},
                                               {"--machine"},
                                               {"--machine", "--speed", "3"},
                                               {"--speed", "2", "--machine"},
                                               {"--snapshots", "--machine"},
                                               {"--scenario", "--machine", "imac"}}) {
        auto parsed = app::parseRunOptions(bad);
        ASSERT_FALSE(parsed) << bad[0];
        EXPECT_NE(parsed.error().localizedDescription.find("usage: "), std::string::npos);
    }
}

}  // namespace
