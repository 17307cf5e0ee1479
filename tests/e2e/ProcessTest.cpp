// The application as a process: a second copy hands over to the first and ends at once,
// unless the first is quitting, when it runs once the first has ended;
// Ctrl-C, SIGTERM and SIGHUP quit it through its termination, with exit status 0, at any
// moment from the start on; a scenario that fails ends it with status 1; a run log that
// misses lines is told on standard error.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "E2eSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Waits.h"
#include "tests/support/XvfbServer.h"

namespace {

// Real seconds; generous for a loaded machine with sanitizers.
constexpr double kPatience = 60;

class AppProcess : public test_support::ChildProcess {
  public:
    // Started with TMPDIR = `machineRoot`, so its SimMac's home folder is the test's own;
    // `base` gives further options (limits, standard error kept).
    AppProcess(const std::string& machineRoot, const std::string& pictures,
               const std::string& scenario = "second-instance",
               const std::string& quitSignalAt = {},
               const std::vector<std::string>& environment = {}, const std::string& display = {},
               const Options& base = {})
        : pictures_(pictures) {
        Options options = base;
        options.environment.insert(options.environment.end(), environment.begin(),
                                   environment.end());
        options.environment.push_back("TMPDIR=" + machineRoot);
        if (!quitSignalAt.empty())
            options.environment.push_back("TAVRO3D_QUIT_SIGNAL_AT=" + quitSignalAt);
        // Headless unless a display is given.
        if (display.empty()) {
            options.environment.push_back("QT_QPA_PLATFORM=offscreen");
            options.withoutVariables = {"DISPLAY"};
        } else {
            options.environment.push_back("DISPLAY=" + display);
            options.withoutVariables = {"QT_QPA_PLATFORM"};
        }
        options.discardOutput = true;
        options.endSignal = SIGKILL;
        // Without a pictures folder the run makes one of its own in the home's "Runs".
        std::vector<std::string> arguments = {TAVRO_APP_BINARY, "--scenario",
                                              e2e::scenarioPath(scenario), "--speed", "20"};
        if (!pictures.empty()) arguments.insert(arguments.end(), {"--snapshots", pictures});
        start(arguments, options);
    }
    std::string log() const {
        std::ifstream file(pictures_ + "/run.log");
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    bool logHas(const std::string& part, size_t times = 1) const {
        const std::string text = log();
        size_t found = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++found;
        return found >= times;
    }
    // False when the process ended or the log did not get the line `times` within kPatience.
    bool logHolds(const std::string& part, size_t times = 1) {
        return test_support::waitUntil([&] { return logHas(part, times) || wait(0); }, kPatience) &&
               logHas(part, times);
    }
    // The usage events of `type` stored in the SimMac's usage table (-1: no table).
    int storedEvents(int type) const {
        const std::string text = log();
        const std::string marker = "home folder ";
        const auto at = text.find(marker);
        if (at == std::string::npos) return -1;
        const std::string home =
            text.substr(at + marker.size(), text.find('\n', at) - at - marker.size());
        const std::string database = home + "/Library/Application Support/Halvane3D.db";
        sqlite3* db = nullptr;
        int count = -1;
        if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v2(
                    db, "SELECT COUNT(*) FROM tavroUserBehaviorTable WHERE eventType = ?", -1,
                    &statement, nullptr) == SQLITE_OK &&
                sqlite3_bind_int(statement, 1, type) == SQLITE_OK &&
                sqlite3_step(statement) == SQLITE_ROW) {
                count = sqlite3_column_int(statement, 0);
            }
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        return count;
    }

  private:
    std::string pictures_;
};

// The 3D-off command as the run log shows what a device was told last.
std::string threeDOffLine() {
    auto frame = e2e::threeDOffCommand();
    while (!frame.empty() && frame.back() == 0) frame.pop_back();
    std::string line = "device \"glasses\": last command";
    for (uint8_t byte : frame) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", byte);
        line += hex;
    }
    return line + "\n";
}

TEST(Process, ASecondCopyHandsOverAndSigtermQuitsTheFirstCleanly) {
    test_support::TemporaryFolder root("tavro-e2e");
    AppProcess first(root.path(), root.path() + "/first");
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(first.logHolds("] panel TavroHomeNewViewController")) << first.log();

    AppProcess second(root.path(), root.path() + "/second");
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.wait(kPatience), 0);
    EXPECT_TRUE(second.logHas("another copy runs")) << second.log();
    EXPECT_FALSE(second.logHas("] panel ")) << "the second copy shows nothing";
    EXPECT_TRUE(first.logHolds("this one comes to the front")) << first.log();

    first.signal(SIGTERM);
    EXPECT_EQ(first.wait(kPatience), 0);
    EXPECT_TRUE(first.logHas("quit signal")) << first.log();
    EXPECT_TRUE(first.logHas("] quit\n")) << first.log();
}

// Without a display the run quits by itself once its scenario is over, and the process's
// status says whether the scenario held.
TEST(Process, AnUnmetExpectationEndsAHeadlessRunByItselfWithStatusOne) {
    test_support::TemporaryFolder root("tavro-e2e");
    const std::string scenario = e2e::writeScenario(root, R"({"steps": [
        {"do": "expectPanel", "panel": "NoSuchViewController", "within": 1}]})");
    AppProcess app(root.path(), root.path() + "/pictures", scenario);
    ASSERT_TRUE(app.started());
    EXPECT_EQ(app.wait(kPatience), 1) << app.log();
    EXPECT_TRUE(app.logHas("FAILED: expect panel NoSuchViewController")) << app.log();
    EXPECT_FALSE(app.logHas("quit signal")) << app.log();
}

// A disk that fills while the process runs: it tells that its run log is incomplete, and
// why, and its status stays the scenario's.
TEST(Process, ARunLogThatMissesLinesIsToldOnStandardError) {
    test_support::TemporaryFolder root("tavro-e2e");
    const std::string scenario = e2e::writeScenario(root, R"({"steps": [
        {"do": "expectPanel", "panel": "TavroHomeNewViewController", "within": 30}]})");
    test_support::ChildProcess::Options full;
    full.fileSizeLimit = 256;  // more than the start needs, less than the run log grows to
    full.keepErrors = true;
    AppProcess app(root.path(), root.path() + "/pictures", scenario, {}, {}, {}, full);
    ASSERT_TRUE(app.started());
    EXPECT_EQ(app.wait(kPatience), 0) << app.errors();
    EXPECT_NE(app.errors().find("Tavro3D: the run log is incomplete: cannot write " + root.path() +
                                "/pictures/run.log"),
              std::string::npos)
        << app.errors();
}

// Quit and start again at once: the quitting copy refuses to come to the front, and the new
// one runs as soon as the old one has ended. The first copy's quit waits for the start (a
// test hook), so the start always lands while it quits. The quit comes as a SIGTERM while
// it runs, or as a Ctrl-C before its launch (which never reaches the termination).
TEST(Process, AStartWhileTheRunningCopyQuitsRunsOnceItHasEnded) {
    for (const std::string quitSignalAt : {"", "start"}) {
        SCOPED_TRACE("quit signal at \"" + quitSignalAt + "\"");
        test_support::TemporaryFolder root("tavro-e2e");
        AppProcess first(root.path(), root.path() + "/first", "second-instance", quitSignalAt,
                         {"TAVRO3D_HOLD_QUIT_FOR_START=1"});
        ASSERT_TRUE(first.started());
        if (quitSignalAt.empty()) {
            ASSERT_TRUE(first.logHolds("] panel TavroHomeNewViewController")) << first.log();
            first.signal(SIGTERM);
        }
        ASSERT_TRUE(first.logHolds("the quit waits for another start")) << first.log();

        AppProcess second(root.path(), root.path() + "/second");
        ASSERT_TRUE(second.started());
        EXPECT_EQ(first.wait(kPatience), 0);
        EXPECT_TRUE(first.logHas("another copy was started while this one quit")) << first.log();
        EXPECT_TRUE(second.logHolds("] panel TavroHomeNewViewController")) << second.log();
        EXPECT_FALSE(second.logHas("another copy runs")) << second.log();
        second.signal(SIGTERM);
        EXPECT_EQ(second.wait(kPatience), 0) << second.log();
        EXPECT_TRUE(second.logHas("] quit\n")) << second.log();
    }
}

// A first copy that quits at once (a Ctrl-C before its launch) and whose quit waits until two
// starts have asked it to come to the front (a test hook; ten seconds at most), so that the
// starts of a test land while it quits.
class ProcessWhileTheFirstQuits : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(first_.started());
        ASSERT_TRUE(first_.logHolds("the quit waits for another start")) << first_.log();
    }
    test_support::TemporaryFolder root_{"tavro-e2e"};
    AppProcess first_{root_.path(),
                      root_.path() + "/first",
                      "second-instance",
                      "start",
                      {"TAVRO3D_HOLD_QUIT_FOR_START=2"}};
};

// Two starts while the running copy quits: the one that takes its place runs, and the other,
// still waiting, asks that one to come to the front and ends at once, as any second start
// does.
TEST_F(ProcessWhileTheFirstQuits, OfTwoStartsOneRunsAndTheOtherHandsOverToIt) {
    AppProcess second(root_.path(), root_.path() + "/second");
    AppProcess third(root_.path(), root_.path() + "/third");
    ASSERT_TRUE(second.started() && third.started());
    EXPECT_EQ(first_.wait(kPatience), 0);
    EXPECT_TRUE(first_.logHas("another copy was started while this one quit", 2)) << first_.log();
    ASSERT_TRUE(
        test_support::waitUntil([&] { return second.wait(0) || third.wait(0); }, kPatience));
    AppProcess& ended = second.wait(0) ? second : third;
    AppProcess& runs = second.wait(0) ? third : second;
    EXPECT_EQ(ended.wait(0), 0);
    EXPECT_TRUE(ended.logHas("another copy runs on this Mac; it comes to the front"))
        << ended.log();
    EXPECT_FALSE(ended.logHas("] panel ")) << ended.log();
    EXPECT_TRUE(runs.logHolds("another copy was started; this one comes to the front"))
        << runs.log();
    EXPECT_TRUE(runs.logHolds("] panel TavroHomeNewViewController")) << runs.log();
    runs.signal(SIGTERM);
    EXPECT_EQ(runs.wait(kPatience), 0) << runs.log();
}

// A quit signal while a start waits for the quitting copy to end (which goes on quitting, as
// it waits for a second start): the start stops waiting, launches nothing and ends with
// status 0 before the copy it waited for.
TEST_F(ProcessWhileTheFirstQuits, AQuitSignalWhileAStartWaitsLaunchesNothing) {
    AppProcess second(root_.path(), root_.path() + "/second");
    ASSERT_TRUE(second.started());
    ASSERT_TRUE(first_.logHolds("another copy was started while this one quit")) << first_.log();
    second.signal(SIGTERM);
    EXPECT_EQ(second.wait(kPatience), 0) << second.log();
    EXPECT_FALSE(first_.wait(0)) << "the start ended only once the quitting copy had";
    EXPECT_TRUE(second.logHas("quit before the launch")) << second.log();
    EXPECT_FALSE(second.logHas("] panel ")) << second.log();
    EXPECT_FALSE(second.logHas("another copy runs")) << second.log();
    EXPECT_LE(second.storedEvents(1), 0) << "app_launcheds";
}

// A start whose wait for the quitting copy runs out (shortened here), that copy still there:
// it ran nothing, and its status and standard error say so; its log says another copy runs,
// never that one comes to the front.
TEST_F(ProcessWhileTheFirstQuits, AStartThatGivesUpWaitingEndsWithAFailureAndSaysWhy) {
    test_support::ChildProcess::Options told;
    told.keepErrors = true;
    AppProcess second(root_.path(), root_.path() + "/second", "second-instance", {},
                      {"TAVRO3D_QUITTING_COPY_WAIT_MS=500"}, {}, told);
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.wait(kPatience), 2) << second.log();
    EXPECT_FALSE(first_.wait(0)) << "the copy it waited for had ended";
    EXPECT_NE(second.errors().find("Tavro3D: another copy of the application is still quitting"),
              std::string::npos)
        << second.errors();
    EXPECT_TRUE(second.logHas("another copy runs on this Mac")) << second.log();
    EXPECT_FALSE(second.logHas("comes to the front")) << second.log();
    EXPECT_FALSE(second.logHas("] panel ")) << second.log();
}

// A run without a pictures folder writes into a new folder of the home's "Runs", named after
// the second it starts in. Two runs started at once, with the folders of the coming seconds
// taken beforehand (as runs a moment earlier would have left them), get one each: neither
// writes into a folder that was there, nor into the other's.
TEST(Process, EachRunWritesIntoAFolderOfItsOwn) {
    test_support::TemporaryFolder root("tavro-e2e");
    const std::string runs =
        root.path() + "/Tavro3D-SimMac-" + std::to_string(::getuid()) + "/macbook/Runs";
    ASSERT_FALSE(platform::foundation::createDirectory(
        runs, true, platform::foundation::FolderAccess::OwnerOnly));
    const std::string earlier = "[00:00:00.000] an earlier run\n";
    std::vector<std::string> taken;
    for (std::time_t second = std::time(nullptr), last = second + 30; second <= last; ++second) {
        std::tm local{};
        localtime_r(&second, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
        taken.push_back(runs + "/" + stamp);
        ASSERT_FALSE(platform::foundation::createDirectory(taken.back(), false));
        ASSERT_FALSE(platform::foundation::appendToFile(
            taken.back() + "/run.log",
            {reinterpret_cast<const uint8_t*>(earlier.data()), earlier.size()}));
    }
    const std::string scenario = e2e::writeScenario(root, R"({"steps": [
        {"do": "expectPanel", "panel": "TavroHomeNewViewController", "within": 60}]})");
    AppProcess one(root.path(), "", scenario);
    AppProcess other(root.path(), "", scenario);
    ASSERT_TRUE(one.started() && other.started());
    EXPECT_EQ(one.wait(kPatience), 0);
    EXPECT_EQ(other.wait(kPatience), 0);

    for (const auto& folder : taken) {
        std::ifstream file(folder + "/run.log");
        std::stringstream text;
        text << file.rdbuf();
        EXPECT_EQ(text.str(), earlier) << folder;
    }
    std::vector<std::string> made;
    for (const auto& entry : std::filesystem::directory_iterator(runs)) {
        if (std::find(taken.begin(), taken.end(), entry.path().string()) != taken.end()) continue;
        made.push_back(entry.path().string());
        std::ifstream file(entry.path() / "run.log");
        std::stringstream text;
        text << file.rdbuf();
        const std::string log = text.str();
        const auto announced = log.find("simulated Mac");
        EXPECT_NE(announced, std::string::npos) << made.back();
        EXPECT_EQ(log.find("simulated Mac", announced + 1), std::string::npos)
            << made.back() << " holds the lines of two runs";
    }
    EXPECT_EQ(made.size(), 2u);
}

// The command line's answers: the usage for --help (status 0) and for a command line it
// cannot read (status 2), and the reason a start cannot run (status 2), on standard error.
TEST(Process, TheCommandLineGetsTheUsageOrTheReasonTheStartCannotRun) {
    test_support::TemporaryFolder root("tavro-e2e");
    ASSERT_FALSE(platform::foundation::writeFileAtomically(root.file("a-file"), {}));
    const std::string unwritable = root.file("a-file") + "/pictures";
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string error;
    };
    for (const Case& given : {Case{{"--help"}, 0, ""}, Case{{"--speed"}, 2, "usage: Tavro3D"},
                              Case{{"--scenario", "none", "--snapshots", unwritable},
                                   2,
                                   "Tavro3D: cannot write pictures and log in " + unwritable}}) {
        SCOPED_TRACE(given.arguments.front());
        test_support::ChildProcess app;
        test_support::ChildProcess::Options options;
        options.environment = {"TMPDIR=" + root.path(), "QT_QPA_PLATFORM=offscreen"};
        options.withoutVariables = {"DISPLAY"};
        options.discardOutput = true;
        options.keepErrors = true;
        options.endSignal = SIGKILL;
        std::vector<std::string> arguments = {TAVRO_APP_BINARY};
        arguments.insert(arguments.end(), given.arguments.begin(), given.arguments.end());
        ASSERT_TRUE(app.start(arguments, options));
        EXPECT_EQ(app.wait(kPatience), given.status);
        if (given.error.empty()) {
            EXPECT_EQ(app.errors(), "");
        } else {
            EXPECT_NE(app.errors().find(given.error), std::string::npos) << app.errors();
        }
    }
}

// Each quit signal, while the scenario waits for the glasses to be taken off: the quit is
// the user's, not a failure of the scenario, and the termination leaves the glasses in 2D
// and stores the usage events.
class QuitSignal : public ::testing::TestWithParam<int> {};

TEST_P(QuitSignal, WhileTheScenarioWaitsQuitsThroughTheTermination) {
    test_support::TemporaryFolder root("tavro-e2e");
    AppProcess app(root.path(), root.path() + "/pictures", "connected-until-quit");
    ASSERT_TRUE(app.started());
    // The last step: the second wait for the home panel.
    ASSERT_TRUE(app.logHolds("step: expect panel TavroHomeNewViewController", 2)) << app.log();
    app.signal(GetParam());
    EXPECT_EQ(app.wait(kPatience), 0) << app.log();
    EXPECT_TRUE(app.logHas("quit signal")) << app.log();
    EXPECT_TRUE(app.logHas("ended by the user's quit")) << app.log();
    EXPECT_FALSE(app.logHas("FAILED")) << app.log();
    EXPECT_TRUE(app.logHas(threeDOffLine())) << app.log();
    EXPECT_EQ(app.storedEvents(2), 1) << "app_use_duration";
    EXPECT_EQ(app.storedEvents(4), 1) << "use_mode_type, with glasses connected";
}

INSTANTIATE_TEST_SUITE_P(Process, QuitSignal, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& signal) {
                             return std::string(sigabbrev_np(signal.param));
                         });

// A Ctrl-C taken at a chosen moment of the start (the process's own test hook): before the
// launch the process ends at once; inside it, through the termination.
TEST(Process, ACtrlCBeforeTheLaunchEndsAtOnce) {
    test_support::TemporaryFolder root("tavro-e2e");
    AppProcess app(root.path(), root.path() + "/pictures", "second-instance", "start");
    ASSERT_TRUE(app.started());
    EXPECT_EQ(app.wait(kPatience), 0) << app.log();
    EXPECT_TRUE(app.logHas("quit before the launch")) << app.log();
    EXPECT_FALSE(app.logHas("] panel ")) << app.log();
}

TEST(Process, ACtrlCDuringTheLaunchQuitsThroughTheTermination) {
    test_support::TemporaryFolder root("tavro-e2e");
    AppProcess app(root.path(), root.path() + "/pictures", "second-instance", "launch");
    ASSERT_TRUE(app.started());
    EXPECT_EQ(app.wait(kPatience), 0) << app.log();
    EXPECT_TRUE(app.logHas("] quit\n")) << app.log();
    EXPECT_EQ(app.storedEvents(2), 1) << "app_use_duration";
}

// A usage table whose statement never returns: a named pipe where SQLite looks for a hot
// journal. The quit waits for the table only its second, names what it could not store,
// and the process ends with status 0, the rows of earlier runs kept.
TEST(Process, AUsageTableThatNeverAnswersHoldsTheQuitOnlyBriefly) {
    test_support::TemporaryFolder root("tavro-e2e");
    const std::string support = root.path() + "/Tavro3D-SimMac-" + std::to_string(::getuid()) +
                                "/macbook/Library/Application Support";
    ASSERT_FALSE(platform::foundation::createDirectory(
        support, true, platform::foundation::FolderAccess::OwnerOnly));
    const std::string database = support + "/Halvane3D.db";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE tavroUserBehaviorTable (uid TEXT, eventType INTEGER);"
                           "INSERT INTO tavroUserBehaviorTable VALUES ('earlier', 7);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    ASSERT_EQ(::mkfifo((database + "-journal").c_str(), 0600), 0);

    test_support::ChildProcess::Options told;
    told.keepErrors = true;
    AppProcess app(root.path(), root.path() + "/pictures", "second-instance", "launch", {}, {},
                   told);
    ASSERT_TRUE(app.started());
    EXPECT_EQ(app.wait(kPatience), 0) << app.log();
    EXPECT_TRUE(app.logHas("] quit\n")) << app.log();
    EXPECT_NE(app.errors().find("not stored: \"app_use_duration\""), std::string::npos)
        << app.errors();
    ::unlink((database + "-journal").c_str());
    EXPECT_EQ(app.storedEvents(7), 1);
}

// A quit signal while the plug-in waits on the main thread for the screen to be unlocked:
// the wait ends, and the termination runs with its whole clean-up.
TEST(Process, AQuitSignalWhileTheScreenIsLockedAtAPlugInCleansUp) {
    test_support::TemporaryFolder root("tavro-e2e");
    AppProcess app(root.path(), root.path() + "/pictures", "locked-until-quit");
    ASSERT_TRUE(app.started());
    ASSERT_TRUE(app.logHolds("step: expect panel TavroHomeStartViewController")) << app.log();
    app.signal(SIGTERM);
    EXPECT_EQ(app.wait(kPatience), 0) << app.log();
    EXPECT_TRUE(app.logHas("] quit\n")) << app.log();
    EXPECT_TRUE(app.logHas(threeDOffLine())) << app.log();
    EXPECT_EQ(app.storedEvents(2), 1) << "app_use_duration";
    EXPECT_EQ(app.storedEvents(4), 1) << "use_mode_type, with glasses connected";
}

// On a real display an alert runs a modal session of its own: a quit signal meanwhile ends
// the process (the alert does not wait for an answer), and cleans up once. Runs as the
// ctest "e2e_display_process" on a private Xvfb.
TEST(DisplayProcess, AQuitSignalWhileAnAlertIsUpEndsTheRunAndCleansUpOnce) {
    if (!std::getenv("TAVRO_E2E_DISPLAY_TEST")) GTEST_SKIP() << "runs as e2e_display_process";
    test_support::XvfbServer server;
    if (!server.start(150, "1280x800x24")) GTEST_SKIP() << "Xvfb is not installed or did not start";
    test_support::TemporaryFolder root("tavro-e2e");
    AppProcess app(root.path(), root.path() + "/pictures", "alert-until-quit", {}, {},
                   server.display());
    ASSERT_TRUE(app.started());
    ASSERT_TRUE(app.logHolds("step: expect the application to quit")) << app.log();
    app.signal(SIGINT);
    EXPECT_EQ(app.wait(kPatience), 0) << app.log();
    EXPECT_TRUE(app.logHas("] quit\n")) << app.log();
    EXPECT_EQ(app.storedEvents(2), 1) << "app_use_duration, once";
}

}  // namespace
