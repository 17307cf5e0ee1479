// Usage events stored by an earlier run (at its quit) are uploaded when a later run becomes
// active, and leave the table once the backend took them; a quit during the upload keeps
// them.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "E2eSupport.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/FileSystem.h"
#include "platform/sim/SimBackendServer.h"
#include "platform/sim/SimMac.h"

namespace {

// Rows left of the one the earlier run stored (this run stores its own at quit).
int rowsLeftOfTheEarlierRun(const std::string& database) {
    sqlite3* db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db,
                               "SELECT COUNT(*) FROM tavroUserBehaviorTable WHERE uid = "
                               "'stored-by-an-earlier-run'",
                               -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            count = sqlite3_column_int(statement, 0);
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return count;
}

struct StoredRun {
    app::RunResult result;
    bool uploaded = false;  // the backend received the earlier run's row
    int leftOfTheEarlierRun = -1;
    int backgroundWorkAtQuit = -1;
};

// Runs the application through `scenario` on a usage table an earlier run left with one row.
StoredRun runOverAnEarlierTable(const std::string& scenario) {
    StoredRun run;
    test_support::TemporaryFolder root("tavro-e2e");
    const std::string home = root.path() + "/home";
    const std::string support = home + "/Library/Application Support";
    EXPECT_FALSE(platform::foundation::createDirectory(support, true));
    const std::string database = support + "/Halvane3D.db";
    {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db,
                               "CREATE TABLE tavroUserBehaviorTable (uid TEXT UNIQUE, eventType "
                               "INTEGER, eventName TEXT, duration REAL);"
                               "INSERT INTO tavroUserBehaviorTable VALUES "
                               "('stored-by-an-earlier-run', 2, 'app_use_duration', 42.0);",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }

    app::RunOptions options;
    options.scenarioPath = e2e::scenarioPath(scenario);
    options.speed = e2e::kSpeed;
    options.display = app::RunOptions::Display::Headless;
    options.homeFolder = home;
    options.snapshotsFolder = root.path() + "/pictures";
    options.freshHome = false;
    options.handleSignals = false;
    options.quitAtScenarioEnd = true;
    run.result = app::runApplication(options, [&](app::RunView& view) {
        run.backgroundWorkAtQuit = platform::foundation::BackgroundWork::running();
        for (const auto& event : view.backends.mac()->backend().receivedEvents()) {
            auto uid = event.body.find("uid");
            if (uid != event.body.end() && uid->second.text() == "stored-by-an-earlier-run") {
                run.uploaded = true;
            }
        }
    });
    run.leftOfTheEarlierRun = rowsLeftOfTheEarlierRun(database);
    return run;
}

TEST(StoredEvents, ALaterRunUploadsWhatAnEarlierRunStored) {
    auto run = runOverAnEarlierTable("stored-events-upload");
    ASSERT_EQ(run.result.exitStatus, 0) << e2e::failuresOf(run.result);
    EXPECT_TRUE(run.uploaded);
    EXPECT_EQ(run.leftOfTheEarlierRun, 0);
}

// The upload runs on a worker thread: the quit abandons its request, ends it before the
// process ends, and the row stays for the next run.
TEST(StoredEvents, AQuitDuringTheUploadKeepsTheRowAndEndsTheUploadFirst) {
    auto run = runOverAnEarlierTable("quit-during-upload");
    ASSERT_EQ(run.result.exitStatus, 0) << e2e::failuresOf(run.result);
    EXPECT_EQ(run.backgroundWorkAtQuit, 0);
    EXPECT_EQ(run.leftOfTheEarlierRun, 1);
}

}  // namespace
