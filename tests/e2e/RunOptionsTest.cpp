#include <gtest/gtest.h>
#include <sys/stat.h>

#include "E2eSupport.h"
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

// Pictures and a log that cannot be written are no run: the start stops with the reason
// (status 2), and no folder is announced (the process entry prints the folder the result names).
TEST(RunOptions, APictureFolderThatCannotBeWrittenStopsTheStart) {
    test_support::TemporaryFolder root("tavro-e2e");
    ASSERT_FALSE(platform::foundation::writeFileAtomically(root.file("a-file"), {}));
    // Should the run start anyway, it ends at once.
    const std::string quit = e2e::writeScenario(root, R"({"steps": [{"do": "quit"}]})");
    // A FIFO named as the log would hold the start, where no quit signal is taken yet.
    ASSERT_FALSE(platform::foundation::createDirectory(root.file("fifo"), false));
    ASSERT_EQ(::mkfifo(root.file("fifo/run.log").c_str(), 0600), 0);
    for (const std::string& folder :
         {root.file("a-file") + "/pictures", std::string("/proc"), root.file("fifo")}) {
        app::RunOptions options;
        options.scenarioPath = quit;
        options.display = app::RunOptions::Display::Headless;
        options.homeFolder = root.path() + "/home";
        options.snapshotsFolder = folder;
        options.handleSignals = false;
        options.echoLog = false;
        options.quitAtScenarioEnd = true;
        const auto result = app::runApplication(options);
        ASSERT_EQ(result.exitStatus, 2) << folder;
        EXPECT_NE(result.error.find("cannot write pictures and log in " + folder),
                  std::string::npos)
            << result.error;
        EXPECT_TRUE(result.snapshotsFolder.empty()) << folder;
        if (folder == root.file("fifo")) {
            EXPECT_NE(result.error.find("not a regular file: " + folder + "/run.log"),
                      std::string::npos)
                << result.error;
        }
    }
}

}  // namespace
