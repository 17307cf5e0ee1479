// The usage table over the real SQLite library, and usage records stored through it.

#include <sqlite3.h>

#include "BackendTestSupport.h"
#include "backend/TavroUserBehaviorReporting.h"
#include "backend/UserBehaviorRecord.h"

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
    AppDelegate::shared().glassStatus = true;
    AppDelegate::shared().modelType = 2;
    auto& reporting = *TavroUserBehaviorReporting::shared();
    reporting.recordEvent(BehaviorEventType::app_use_duration, true);
    reporting.recordEvent(BehaviorEventType::use_mode_type, true);
    reporting.recordEvent(BehaviorEventType::app_launcheds, false);
    // The quit's clean-up: wait for the queue, then the process may end.
    TavroFMDBManager::shareManager().drainDatabaseQueue();
    TavroFMDBManager::shareManager().closeDatabase();
    TavroFMDBManager nextLaunch(TavroFMDBManager::shareManager().databasePath());
    auto rows = storedRows(nextLaunch);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("eventName").text(), "app_use_duration");
    EXPECT_EQ(rows[1].at("eventName").text(), "use_mode_type");
    EXPECT_EQ(rows[1].at("glassStatus").asInt64(), 1);
    ASSERT_TRUE(drainUntil([&] { return server_.receivedEvents().size() == 1; }));
    const auto body = server_.receivedEvents()[0].body;
    EXPECT_EQ(body.at("eventName").text(), "app_launcheds");
    EXPECT_EQ(body.at("modeType").asInt64(), 2);
    EXPECT_EQ(body.at("region").text(), "domestic");
    AppDelegate::shared().modelType = 0;
}
