// The usage table over the real SQLite library, and usage records stored through it.

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <future>

#include "BackendTestSupport.h"
#include "backend/TavroUserBehaviorReporting.h"
#include "backend/UserBehaviorRecord.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/FileSystem.h"

using namespace backendtest;

using UsageTableTest = BackendTest;

TEST_F(UsageTableTest, AnOlderTableGainsTheMissingColumnsAndKeepsItsRows) {
    auto& table = TavroFMDBManager::shareManager();
    std::string path = table.databasePath();
    ASSERT_FALSE(fdn::createDirectory(fdn::deletingLastPathComponent(path), true).has_value());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(
        sqlite3_exec(db,
                     "CREATE TABLE tavroUserBehaviorTable (eventType INTEGER, eventName TEXT);"
                     "INSERT INTO tavroUserBehaviorTable VALUES (1, 'app_launcheds'), (3, 'x');",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);
    table.createFMDBTable();
    table.insertUserBehavior({{"eventType", 5}, {"duration", 2.5}});
    auto rows = storedRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].at("eventName").text(), "app_launcheds");
    for (const auto& column : userbehavior::kColumns)
        EXPECT_TRUE(rows[0].count(std::string(column.name))) << column.name;
    EXPECT_DOUBLE_EQ(rows[2].at("duration").asDouble(), 2.5);
    // Without a uid an old row could never be deleted after its upload.
    for (const auto& row : rows)
        ASSERT_TRUE(row.at("uid").isText() && !row.at("uid").text().empty());
    EXPECT_NE(rows[0].at("uid").text(), rows[1].at("uid").text());
}

TEST_F(UsageTableTest, ARowWithAUidAlreadyStoredAndUnknownColumnsAreLeftOut) {
    auto& table = TavroFMDBManager::shareManager();
    table.createFMDBTable();
    table.insertUserBehavior({{"uid", "same"}, {"eventType", 1}});
    table.insertUserBehavior({{"uid", "same"}, {"eventType", 2}});
    table.insertUserBehavior({{"uid", "other"}, {"eventType", 3}, {"unknownColumn", "ignored"}});
    auto rows = storedRows();
    ASSERT_EQ(uids(rows), (std::vector<std::string>{"same", "other"}));
    EXPECT_EQ(rows[0].at("eventType").asInt64(), 1);
    EXPECT_FALSE(rows[1].count("unknownColumn"));
}

TEST_F(UsageTableTest, AnEventStoredAtQuitIsInTheFileAfterARestartAndOneNotStoredIsPosted) {
    auto clock = std::make_shared<fdn::ManualClock>();
    fdn::ScopedClock scoped(clock);
    AppDelegate::shared().glassStatus = true;
    AppDelegate::shared().modelType = 2;
    TavroUserBehaviorReporting reporting;  // as at launch
    clock->advanceSeconds(42);
    reporting.recordEvent(BehaviorEventType::app_use_duration, true);
    reporting.recordEvent(BehaviorEventType::use_mode_type, true);
    reporting.recordEvent(BehaviorEventType::app_launcheds, false);
    // The quit's clean-up: wait for the queue, then the process may end.
    TavroFMDBManager::shareManager().finishBeforeQuit();
    TavroFMDBManager::shareManager().closeDatabase();
    TavroFMDBManager nextLaunch(TavroFMDBManager::shareManager().databasePath());
    auto rows = storedRows(nextLaunch);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("eventName").text(), "app_use_duration");
    EXPECT_DOUBLE_EQ(rows[0].at("duration").asDouble(), 42);  // the time since launch
    EXPECT_EQ(rows[1].at("eventName").text(), "use_mode_type");
    EXPECT_EQ(rows[1].at("glassStatus").asInt64(), 1);
    ASSERT_TRUE(drainUntil([&] { return server_.receivedEvents().size() == 1; }));
    const auto body = server_.receivedEvents()[0].body;
    EXPECT_EQ(body.at("eventName").text(), "app_launcheds");
    EXPECT_EQ(body.at("modeType").asInt64(), 2);
    EXPECT_EQ(body.at("region").text(), "domestic");
    AppDelegate::shared().modelType = 0;
}

// A home or temporary folder reached through a link, or spelled with a doubled separator, is
// the user's own layout: the events are stored there as anywhere else.
TEST_F(UsageTableTest, AFolderAboveTheTableReachedThroughALinkStillTakesTheEvents) {
    test_support::TemporaryFolder place("tavro-linked");
    const std::string real = place.file("real");
    ASSERT_FALSE(fdn::createDirectory(real, false).has_value());
    ASSERT_EQ(::symlink(real.c_str(), place.file("linked").c_str()), 0);
    for (const std::string& spelled :
         {place.file("linked/Halvane3D.db"), place.path() + "//linked/./Halvane3D.db"}) {
        SCOPED_TRACE(spelled);
        TavroFMDBManager table(spelled);
        table.insertUserBehavior({{"uid", "through-a-link"}, {"eventType", 2}});
        EXPECT_EQ(uids(storedRows(table)), std::vector<std::string>{"through-a-link"});
        table.closeDatabase();
        EXPECT_EQ(fdn::attributesOfItem(real + "/Halvane3D.db").value().type,
                  fdn::FileType::Regular);
        fdn::removeItem(real + "/Halvane3D.db");
    }
}

// A file that is not a database, or a damaged one, would lose every event for ever: it is
// kept aside under a name of its own, and a fresh table takes the events.
TEST_F(UsageTableTest, AnUnreadableFileIsKeptAsideAndAFreshTableTakesTheEvents) {
    auto& table = TavroFMDBManager::shareManager();
    const std::string path = table.databasePath();
    // A database whose pages past the header are overwritten: "malformed".
    table.insertUserBehavior({{"uid", "lost"}, {"eventType", 1}});
    table.closeDatabase();
    auto malformed = fdn::readFile(path).value();
    ASSERT_GT(malformed.size(), 4096u);
    std::fill(malformed.begin() + 100, malformed.end(), 0xFF);
    const fdn::Bytes notADatabase(3000, 'x');
    const std::vector<fdn::Bytes> contents = {notADatabase, malformed};
    for (size_t i = 0; i < contents.size(); ++i) {
        ASSERT_FALSE(fdn::writeFileAtomically(path, contents[i]).has_value());
        ::testing::internal::CaptureStderr();
        const std::string uid = "kept-" + std::to_string(i);
        table.insertUserBehavior({{"uid", uid}, {"eventType", 2}});
        EXPECT_EQ(uids(), std::vector<std::string>{uid});
        const std::string log = ::testing::internal::GetCapturedStderr();
        table.closeDatabase();
        const std::string aside = path + ".unreadable" + (i ? "-2" : "");
        EXPECT_NE(log.find("kept the unreadable " + path + " as " + aside), std::string::npos)
            << log;
        EXPECT_EQ(fdn::readFile(aside).value(), contents[i]);
    }
}

// Another process holding the file must not keep the quit waiting for seconds: the quit's
// writes wait 1 s of real time in all, also on a clock that does not move, and the log says
// which events were not stored.
TEST_F(UsageTableTest, AFileHeldByAnotherProcessHoldsTheQuitUpOnlyBriefly) {
    auto clock = std::make_shared<fdn::ManualClock>();
    fdn::ScopedClock scoped(clock);
    auto& table = TavroFMDBManager::shareManager();
    table.createFMDBTable();
    table.drainDatabaseQueue();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(table.databasePath().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    ::testing::internal::CaptureStderr();
    table.insertUserBehavior({{"uid", "first"}, {"eventName", "app_use_duration"}});
    table.insertUserBehavior({{"uid", "second"}, {"eventName", "use_mode_type"}});
    const auto begun = std::chrono::steady_clock::now();
    const std::clock_t cpuBefore = std::clock();
    auto quit = std::async(std::launch::async, [&] { table.finishBeforeQuit(); });
    EXPECT_EQ(quit.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout);
    const bool ended = quit.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    EXPECT_TRUE(ended) << "the quit waited on a clock that does not move";
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 3 * TavroFMDBManager::kQuitWait);
    EXPECT_LT(double(std::clock() - cpuBefore) / CLOCKS_PER_SEC, 0.3) << "the wait spins";
    while (quit.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        clock->advanceSeconds(60);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("not stored: \"app_use_duration\" first"), std::string::npos) << log;
    EXPECT_NE(log.find("not stored: \"use_mode_type\" second"), std::string::npos) << log;

    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    // Once the file is free again, the next event is stored as usual.
    table.insertUserBehavior({{"uid", "third"}});
    EXPECT_EQ(uids(), std::vector<std::string>{"third"});
}

// A named pipe where SQLite looks for a hot journal: the statement that meets it never
// returns (as on a file system that stops answering). The quit waits for the table one
// second in all, over both of its calls, names the event it could not store, and leaves the
// rows stored before as they were.
TEST_F(UsageTableTest, AStatementThatNeverReturnsHoldsTheQuitOnlyForItsSecond) {
    using Steady = std::chrono::steady_clock;
    auto& table = TavroFMDBManager::shareManager();
    const std::string path = table.databasePath();
    table.insertUserBehavior({{"uid", "stored"}, {"eventType", 1}});
    table.closeDatabase();
    const std::string journal = path + "-journal";
    ASSERT_EQ(::mkfifo(journal.c_str(), 0600), 0);
    // A writer wakes the statement, which then reads an empty journal: nothing to recover.
    const auto answerAgain = [&] {
        const int writer = ::open(journal.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        ::unlink(journal.c_str());
        if (writer >= 0) ::close(writer);
    };

    ::testing::internal::CaptureStderr();
    table.insertUserBehavior({{"uid", "late"}, {"eventName", "app_use_duration"}});
    table.beginQuitWrites();
    const auto begun = Steady::now();
    auto cleanUp = std::async(std::launch::async, [&] { return table.finishBeforeQuit(); });
    if (cleanUp.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        answerAgain();
        FAIL() << "the quit waited for a statement that never returns";
    }
    const auto firstCall = Steady::now() - begun;
    EXPECT_FALSE(cleanUp.get());
    const auto second = Steady::now();
    EXPECT_FALSE(table.finishBeforeQuit());  // after the glasses' thread has stopped
    const auto secondCall = Steady::now() - second;
    const std::string log = ::testing::internal::GetCapturedStderr();
    answerAgain();
    EXPECT_GE(firstCall, TavroFMDBManager::kQuitWait * 9 / 10);
    EXPECT_LT(firstCall, TavroFMDBManager::kQuitWait * 2);
    EXPECT_LT(secondCall, TavroFMDBManager::kQuitWait / 2) << "each call waited its own second";
    EXPECT_NE(log.find("not stored: \"app_use_duration\" late: the quit did not wait"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("late", log.find("late") + 1), std::string::npos) << "named twice: " << log;

    // The next quit, once the table answers, waits for it as usual.
    table.beginQuitWrites();
    table.insertUserBehavior({{"uid", "after"}});
    EXPECT_TRUE(table.finishBeforeQuit());
    const auto kept = uids();
    EXPECT_EQ(kept.front(), "stored");
    EXPECT_EQ(kept.back(), "after");
    EXPECT_FALSE(fdn::fileExists(path + ".unreadable"));
}

// A file held for a moment by another process while the application runs (a second copy, a
// backup) only delays the event: it is stored once the file is free, in the user's file.
// Also in a run that follows an earlier run's quit in the same process, a minute later.
TEST_F(UsageTableTest, AFileHeldForAMomentWhileRunningStillTakesTheEvent) {
    auto clock = std::make_shared<fdn::ManualClock>();
    fdn::ScopedClock scoped(clock);
    auto& table = TavroFMDBManager::shareManager();
    table.finishBeforeQuit();
    clock->advanceSeconds(60);
    table.insertUserBehavior({{"uid", "before"}});
    table.drainDatabaseQueue();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(table.databasePath().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    table.insertUserBehavior({{"uid", "held"}});
    ASSERT_TRUE(test_support::waitForWaiters(*clock, 1));
    clock->advanceSeconds(TavroFMDBManager::kBusySeconds / 2);
    ASSERT_TRUE(test_support::waitForWaiters(*clock, 1));  // still waiting for the file
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    clock->advanceSeconds(0.05);
    EXPECT_EQ(uids(), (std::vector<std::string>{"before", "held"}));
    EXPECT_FALSE(fdn::fileExists(table.databasePath() + ".unreadable"));
}

// Another process reading the file (a second copy at start-up) while an older table gains
// its columns: the upgrade waits for it 2 s of clock time, then gives up and leaves the
// table as it was, the user's, to be brought up to date by the next event.
TEST_F(UsageTableTest, AnUpgradeHeldUpByAReaderGivesUpInTimeAndKeepsTheUsersTable) {
    auto clock = std::make_shared<fdn::ManualClock>();
    fdn::ScopedClock scoped(clock);
    auto& table = TavroFMDBManager::shareManager();
    const std::string path = table.databasePath();
    ASSERT_FALSE(fdn::createDirectory(fdn::deletingLastPathComponent(path), true).has_value());
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other,
                           "CREATE TABLE tavroUserBehaviorTable (uid TEXT, eventType INTEGER);"
                           "INSERT INTO tavroUserBehaviorTable VALUES ('stored', 1);"
                           "BEGIN; SELECT COUNT(*) FROM tavroUserBehaviorTable;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);

    ::testing::internal::CaptureStderr();
    table.insertUserBehavior({{"uid", "held"}, {"eventName", "app_launcheds"}});
    ASSERT_TRUE(test_support::waitForWaiters(*clock, 1));
    clock->advanceSeconds(TavroFMDBManager::kBusySeconds - 0.1);
    auto given = std::async(std::launch::async, [&] { table.drainDatabaseQueue(); });
    EXPECT_EQ(given.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    clock->advanceSeconds(0.2);
    EXPECT_EQ(given.wait_for(std::chrono::seconds(5)), std::future_status::ready)
        << "the statement waited past its bound";
    while (given.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        clock->advanceSeconds(60);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("not stored: \"app_launcheds\" held"), std::string::npos) << log;

    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    table.insertUserBehavior({{"uid", "after"}});
    EXPECT_EQ(uids(), (std::vector<std::string>{"stored", "after"}));
    EXPECT_FALSE(fdn::fileExists(path + ".unreadable"));
}

// A file that cannot be written (a full disk; here a file-size limit) is no damage: the
// event is reported as not stored, and the user's file stays to take the next one.
TEST_F(UsageTableTest, AFileThatCannotBeWrittenStaysAndTheLostEventIsNamed) {
    auto& table = TavroFMDBManager::shareManager();
    table.insertUserBehavior({{"uid", "before"}});
    table.drainDatabaseQueue();
    ::testing::internal::CaptureStderr();
    {
        // Small enough for no page of the journal, large enough for the captured log.
        struct FileSizeLimit {
            rlimit before{};
            void (*signalBefore)(int) = ::signal(SIGXFSZ, SIG_IGN);
            FileSizeLimit() {
                ::getrlimit(RLIMIT_FSIZE, &before);
                rlimit limited = before;
                limited.rlim_cur = 2048;
                ::setrlimit(RLIMIT_FSIZE, &limited);
            }
            ~FileSizeLimit() {
                ::setrlimit(RLIMIT_FSIZE, &before);
                ::signal(SIGXFSZ, signalBefore);
            }
        } full;
        table.insertUserBehavior({{"uid", "refused"}, {"eventName", "app_use_duration"}});
        table.drainDatabaseQueue();
    }
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("not stored: \"app_use_duration\" refused"), std::string::npos) << log;
    EXPECT_FALSE(fdn::fileExists(table.databasePath() + ".unreadable"));
    table.insertUserBehavior({{"uid", "after"}});
    EXPECT_EQ(uids(), (std::vector<std::string>{"before", "after"}));
}
