#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/FileSystem.h"
#include "platform/sim/Scenario.h"
#include "tests/support/TemporaryHome.h"

using namespace platform::sim;
using Action = ScenarioStep::Action;

namespace {

TEST(Scenario, ReadsEveryKindOfStep) {
    auto parsed = parseScenario(R"({
        "name": "all", "machine": "macmini", "permissions": {"screenRecording": false},
        "steps": [
          {"do": "wait", "seconds": 1.5},
          {"do": "plug", "device": "g", "kind": "gen1", "firmware": "TAVRO_FW_V1.30", "imuRate": 500,
           "productId": 22136},
          {"do": "unplug", "device": "g", "afterBytes": 4096, "within": 30},
          {"do": "click", "outlet": "startButton"},
          {"do": "volumeKey", "key": "mute"},
          {"do": "lock"}, {"do": "unlock"}, {"do": "sleep"}, {"do": "wake"}, {"do": "reopen"},
          {"do": "answerAlert", "button": 2, "message": "Displays"},
          {"do": "expectPanel", "panel": "TavroHomeNewViewController"},
          {"do": "expectAlert", "message": "x", "within": 3},
          {"do": "expectLog", "line": "=== App Start ==="},
          {"do": "expectFirmware", "device": "g", "firmware": "TAVRO_FW_V1.31", "within": 5},
          {"do": "backend", "mode": "hang"},
          {"do": "backend", "offerVersion": "9.9.9", "releaseNote": "New"},
          {"do": "activateApp", "name": "Safari"},
          {"do": "click", "outlet": "depthView", "at": 1}, {"do": "clickStatusItem"},
          {"do": "clickStatusItem", "button": "right"}, {"do": "expectQuit", "within": 30}]})");
    ASSERT_TRUE(parsed) << parsed.error().localizedDescription;
    const auto& scenario = parsed.value();
    EXPECT_EQ(scenario.machine, "macmini");
    ASSERT_TRUE(scenario.permissions);
    EXPECT_FALSE(scenario.permissions->screenRecording);
    EXPECT_TRUE(scenario.permissions->accessibility);
    ASSERT_EQ(scenario.steps.size(), 22u);
    const auto& step = scenario.steps;
    EXPECT_EQ(step[0].seconds, 1.5);
    EXPECT_EQ(std::tie(step[1].glasses.kind, step[1].glasses.firmware, step[1].glasses.productId,
                       step[1].imuRate),
              std::make_tuple("gen1", "TAVRO_FW_V1.30", 22136, 500));
    EXPECT_EQ(std::tie(step[2].afterBytes, step[2].seconds), std::make_tuple(4096u, 30));
    EXPECT_EQ(std::tie(step[10].button, step[10].text), std::make_tuple(2, "Displays"));
    EXPECT_EQ(step[11].seconds, 10) << "expectations wait 10 s unless told";
    EXPECT_EQ(step[12].seconds, 3);
    EXPECT_EQ(std::tie(step[14].device, step[14].text, step[14].seconds),
              std::make_tuple("g", "TAVRO_FW_V1.31", 5));
    EXPECT_EQ(step[15].backendMode, "hang");
    EXPECT_EQ(std::tie(step[16].offerVersion, step[16].releaseNote),
              std::make_tuple("9.9.9", "New"));
    EXPECT_EQ(std::tie(step[17].action, step[17].text),
              std::make_tuple(Action::ActivateApp, "Safari"));
    EXPECT_EQ(step[3].at, 0.5) << "a click lands in the middle unless told";
    EXPECT_EQ(std::tie(step[18].text, step[18].at), std::make_tuple("depthView", 1.0));
    EXPECT_EQ(std::tie(step[19].action, step[19].text),
              std::make_tuple(Action::ClickStatusItem, "left"));
    EXPECT_EQ(step[20].text, "right");
    EXPECT_EQ(std::tie(step[21].action, step[21].seconds), std::make_tuple(Action::ExpectQuit, 30));

    auto quitting = parseScenario(R"({"steps": [{"do": "lock"}, {"do": "quit"}]})");
    ASSERT_TRUE(quitting) << quitting.error().localizedDescription;
    EXPECT_EQ(quitting->steps.back().action, Action::Quit);
}

TEST(Scenario, MalformedScenariosAreErrorsNamingTheStep) {
    for (const char* bad :
         {"",
          "[]",
          "{\"steps\": {}}",
          "{\"name\": 1, \"steps\": []}",
          "{\"steps\": [{\"do\": \"dance\"}]}",
          "{\"steps\": [{\"seconds\": 1}]}",
          "{\"steps\": [{\"do\": \"wait\"}]}",
          "{\"steps\": [{\"do\": \"wait\", \"seconds\": -1}]}",
          "{\"steps\": [{\"do\": \"wait\", \"seconds\": 1e300}]}",
          "{\"steps\": [{\"do\": \"plug\", \"device\": \"g\", \"kind\": \"gen7\"}]}",
          "{\"steps\": [{\"do\": \"plug\", \"device\": \"g\", \"productId\": 70000}]}",
          "{\"steps\": [{\"do\": \"plug\"}]}",
          "{\"steps\": [{\"do\": \"unplug\", \"device\": \"g\", \"afterBytes\": -5}]}",
          "{\"steps\": [{\"do\": \"volumeKey\", \"key\": \"louder\"}]}",
          "{\"steps\": [{\"do\": \"answerAlert\", \"button\": 0}]}",
          "{\"steps\": [{\"do\": \"expectPanel\"}]}",
          "{\"steps\": [{\"do\": \"expectFirmware\", \"device\": \"g\"}]}",
          "{\"steps\": [{\"do\": \"backend\"}]}",
          "{\"steps\": [{\"do\": \"backend\", \"mode\": \"slow\"}]}",
          "{\"steps\": [{\"do\": \"backend\", \"offerVersion\": 2}]}",
          "{\"steps\": [{\"do\": \"activateApp\"}]}",
          "{\"steps\": [{\"do\": \"click\", \"outlet\": \"x\", \"at\": 1.5}]}",
          "{\"steps\": [{\"do\": \"click\", \"outlet\": \"x\", \"at\": \"end\"}]}",
          "{\"steps\": [{\"do\": \"clickStatusItem\", \"button\": \"middle\"}]}",
          "{\"steps\": [{\"do\": \"expectQuit\", \"within\": -1}]}",
          "{\"permissions\": {\"screenRecording\": 1}, \"steps\": []}",
          "{\"steps\": [{\"do\": \"wait\", \"seconds\": 1}, 7]}"}) {
        EXPECT_FALSE(parseScenario(bad)) << bad;
    }
    auto parsed =
        parseScenario("{\"steps\": [{\"do\": \"wait\", \"seconds\": 1}, {\"do\": \"x\"}]}");
    ASSERT_FALSE(parsed);
    EXPECT_NE(parsed.error().localizedDescription.find("step 2"), std::string::npos);
    parsed = parseScenario("{\"steps\": [{\"do\": \"volumeKey\", \"key\": \"louder\"}]}");
    ASSERT_FALSE(parsed);
    EXPECT_NE(parsed.error().localizedDescription.find("step \"volumeKey\": key is"),
              std::string::npos)
        << parsed.error().localizedDescription;
}

// Steps that could never be played, or that would check nothing, are refused when read: a
// scenario must not pass what it did not look at.
TEST(Scenario, StepsAfterTheQuitAndClicksOnNoViewAreRefused) {
    const struct {
        const char* json;
        const char* error;
    } refused[] = {
        {R"({"steps": [{"do": "quit"}, {"do": "expectPanel", "panel": "NoSuchPanel"}]})",
         "step \"expectPanel\" comes after \"quit\" at step 1: the application is gone by then "
         "(step 2)"},
        {R"({"steps": [{"do": "wait", "seconds": 1}, {"do": "quit"}, {"do": "wait", "seconds": 1},
                       {"do": "expectLog", "line": "x"}]})",
         "step \"wait\" comes after \"quit\" at step 2: the application is gone by then (step 3)"},
        // An answer given after the quit would never be taken either.
        {R"({"steps": [{"do": "quit"}, {"do": "answerAlert", "button": 1}]})",
         "step \"answerAlert\" comes after \"quit\" at step 1"},
        // The application that quit by itself cannot be played with any more than one asked to.
        {R"({"steps": [{"do": "lock"}, {"do": "expectQuit"}, {"do": "unlock"}]})",
         "step \"unlock\" comes after \"expectQuit\" at step 2: the application is gone by then "
         "(step 3)"},
        {R"({"steps": [{"do": "expectQuit"}, {"do": "expectQuit"}]})",
         "comes after \"expectQuit\" at step 1"},
        {R"({"steps": [{"do": "wait", "seconds": 1}, {"do": "click", "outlet": ""}]})",
         "step \"click\": outlet names a view (step 2)"},
        {R"({"steps": [{"do": "click", "outlet": "", "at": 0.2}]})",
         "step \"click\": outlet names a view (step 1)"},
    };
    for (const auto& [json, error] : refused) {
        auto parsed = parseScenario(json);
        ASSERT_FALSE(parsed) << json;
        EXPECT_NE(parsed.error().localizedDescription.find(error), std::string::npos)
            << parsed.error().localizedDescription;
    }
}

TEST(Scenario, EveryShippedScenarioReads) {
    const std::string folder = platform::foundation::Bundle::main().bundlePath() + "/scenarios";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".json") continue;
        auto loaded = loadScenario(entry.path().string());
        EXPECT_TRUE(loaded) << entry.path() << ": " << loaded.error().localizedDescription;
        ++count;
    }
    EXPECT_GT(count, 0);
    EXPECT_FALSE(loadScenario(folder + "/none.json"));
}

// A scenario named on the command line may be anything: it is read only when it is a
// regular file of a scenario's size, and never waited for.
TEST(Scenario, OnlyARegularFileOfBoundedSizeIsRead) {
    test_support::TemporaryFolder folder("scenario-files");
    const auto refused = [](const std::string& path, const std::string& why) {
        auto loaded = loadScenario(path);
        if (loaded) return ::testing::AssertionFailure() << path << " was read";
        if (loaded.error().localizedDescription.find(why) == std::string::npos)
            return ::testing::AssertionFailure() << loaded.error().localizedDescription;
        return ::testing::AssertionSuccess();
    };
    // Valid JSON, only padded beyond any scenario's size.
    const std::string padded = "{\"steps\": []}" + std::string(2 * 1024 * 1024, ' ');
    ASSERT_FALSE(platform::foundation::writeFileAtomically(
        folder.file("padded.json"),
        {reinterpret_cast<const uint8_t*>(padded.data()), padded.size()}));
    ASSERT_TRUE(refused(folder.file("padded.json"), "larger than a scenario"));
    ASSERT_EQ(::mkfifo(folder.file("fifo.json").c_str(), 0600), 0);
    EXPECT_TRUE(refused(folder.file("fifo.json"), "not a regular file"));
    EXPECT_TRUE(refused("/dev/zero", "not a regular file"));
    EXPECT_TRUE(refused(folder.path(), "not a regular file"));
}

}  // namespace
