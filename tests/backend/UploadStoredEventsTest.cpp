// The upload of stored usage events: pacing, deletion only after success, one pass at a
// time, reading in batches, and the quit.

#include <sqlite3.h>

#include <algorithm>
#include <atomic>

#include "BackendTestSupport.h"
#include "backend/UploadStoredEvents.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SystemInfo.h"

using namespace backendtest;

class UploadStoredEventsTest : public BackendTest {
  protected:
    static TavroFMDBManager::Rows storeRows(std::initializer_list<const char*> uids) {
        auto& table = TavroFMDBManager::shareManager();
        table.createFMDBTable();
        for (const char* uid : uids) table.insertUserBehavior({{"uid", uid}, {"eventType", 1}});
        return storedRows();
    }
    // Starts a pass; the number of rows it reports uploaded, -1 until it ends.
    static std::shared_ptr<std::atomic<int>> start(const TavroFMDBManager::Rows& rows) {
        auto uploaded = std::make_shared<std::atomic<int>>(-1);
        uploadStoredEvents(rows, [uploaded](size_t count) { *uploaded = static_cast<int>(count); });
        return uploaded;
    }
    static int upload(const TavroFMDBManager::Rows& rows) {
        auto uploaded = start(rows);
        EXPECT_TRUE(drainUntil([&] { return *uploaded >= 0; }));
        return *uploaded;
    }
    // `count` rows "row-0000001" onwards, written straight into the table.
    static void fillTable(int count) {
        auto& table = TavroFMDBManager::shareManager();
        table.createFMDBTable();
        table.drainDatabaseQueue();
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(table.databasePath().c_str(), &db), SQLITE_OK);
        const std::string fill =
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
            std::to_string(count) +
            ") INSERT INTO tavroUserBehaviorTable (uid, eventType, eventName, duration) "
            "SELECT printf('row-%07d', i), 2, 'app_use_duration', 1.5 FROM n";
        EXPECT_EQ(sqlite3_exec(db, fill.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    static int rowCount() {
        sqlite3* db = nullptr;
        int count = -1;
        sqlite3_open(TavroFMDBManager::shareManager().databasePath().c_str(), &db);
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM tavroUserBehaviorTable", -1, &statement,
                               nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            count = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return count;
    }
    std::vector<std::string> receivedUids() const {
        std::vector<std::string> found;
        for (const auto& event : server_.receivedEvents())
            found.push_back(event.body.at("uid").text());
        return found;
    }
};

TEST_F(UploadStoredEventsTest, RowsGoAQuarterSecondApartAndOnlyAFailedRowRemains) {
    auto clock = std::make_shared<fdn::ManualClock>();
    fdn::ScopedClock scoped(clock);
    auto rows = storeRows({"first", "second", "third"});
    server_.setEventRejection(
        [](const fdn::ValueDictionary& event) { return event.at("uid").text() == "second"; });
    auto uploaded = start(rows);
    for (size_t row = 0; row < 3; ++row) {
        ASSERT_TRUE(drainUntil([&] { return clock->waiterCount() == 1; })) << row;
        clock->advanceSeconds(0.2);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_EQ(server_.requestCount(), row) << "sent before its quarter second";
        clock->advanceSeconds(0.05);
        ASSERT_TRUE(drainUntil([&] { return server_.requestCount() == row + 1; })) << row;
    }
    ASSERT_TRUE(drainUntil([&] { return *uploaded == 2; }));
    EXPECT_EQ(receivedUids(), (std::vector<std::string>{"first", "third"}));
    EXPECT_EQ(uids(), std::vector<std::string>{"second"});
}

TEST_F(UploadStoredEventsTest, TwoPassesStartedTogetherUploadEachRowOnceAndADownBackendKeepsThem) {
    fdn::ScopedClock fast(std::make_shared<fdn::RealClock>(100.0));
    auto rows = storeRows({"a", "b", "c"});
    auto first = start(rows), second = start(rows);
    ASSERT_TRUE(drainUntil([&] { return *first >= 0 && *second >= 0; }));
    EXPECT_EQ(*first + *second, 3);
    EXPECT_TRUE(storedRows().empty());
    // A pass holding an older reading of the table sends nothing that is already gone.
    EXPECT_EQ(upload(rows), 0);
    auto received = receivedUids();
    std::ranges::sort(received);
    EXPECT_EQ(received, (std::vector<std::string>{"a", "b", "c"}));
    // Rows the backend does not take, or refuses, stay for a later pass.
    auto left = storeRows({"x", "y"});
    for (Mode mode : {Mode::Garbage, Mode::EnvelopeError, Mode::Status424}) {
        server_.setMode(mode);
        EXPECT_EQ(upload(left), 0);
        EXPECT_EQ(uids(), (std::vector<std::string>{"x", "y"}));
    }
}

// A pass reads the table a batch at a time, each batch after the last row of the one
// before, so a row the backend refused is neither lost nor sent twice in one pass.
TEST_F(UploadStoredEventsTest, BatchesFollowOneAnotherAndRefusedRowsStay) {
    fdn::ScopedClock fast(std::make_shared<fdn::RealClock>(1000.0));
    fillTable(kUploadBatchRows * 2 + 50);
    server_.setEventRejection([](const fdn::ValueDictionary& event) {
        return event.at("uid").text().ends_with("50");  // one in each batch
    });
    auto uploaded = std::make_shared<std::atomic<int>>(-1);
    uploadStoredEventsInBatches([uploaded](size_t count) { *uploaded = static_cast<int>(count); });
    ASSERT_TRUE(drainUntil([&] { return *uploaded >= 0; }, 60));
    EXPECT_EQ(*uploaded, static_cast<int>(kUploadBatchRows * 2 + 47));
    EXPECT_EQ(server_.requestCount(), kUploadBatchRows * 2 + 50);
    EXPECT_EQ(uids(), (std::vector<std::string>{"row-0000050", "row-0000150", "row-0000250"}));
}

// A million stored rows are never read at once, and the quit ends a pass whose request
// the backend holds, leaving every row that was not taken in the table.
TEST_F(UploadStoredEventsTest, AQuitEndsAPassOverALargeTableReadABatchAtATime) {
    constexpr int kRows = 1'000'000;
    auto clock = std::make_shared<fdn::ManualClock>();
    fdn::ScopedClock scoped(clock);
    fillTable(kRows);
    server_.setMode(Mode::Hang);
    const uint64_t before = fdn::residentSize().value_or(0);
    auto uploaded = std::make_shared<std::atomic<int>>(-1);
    uploadStoredEventsInBatches([uploaded](size_t count) { *uploaded = static_cast<int>(count); });
    ASSERT_TRUE(test_support::waitForWaiters(*clock, 1));  // before its first row
    // The whole table as rows would take gigabytes; a batch takes a few kilobytes.
    EXPECT_LT(fdn::residentSize().value_or(0), before + (64u << 20));
    clock->advanceSeconds(0.25);
    ASSERT_TRUE(drainUntil([&] { return server_.requestCount() == 1; }));

    EXPECT_TRUE(fdn::BackgroundWork::finish());
    EXPECT_EQ(*uploaded, 0);
    fdn::BackgroundWork::resume();
    EXPECT_EQ(rowCount(), kRows);  // the row in flight too
}

// Each time the application becomes active a pass runs: a later one uploads the rows stored
// since the first, and the row the backend refused then.
TEST_F(UploadStoredEventsTest, ALaterPassUploadsWhatWasStoredSinceTheFirst) {
    fdn::ScopedClock fast(std::make_shared<fdn::RealClock>(100.0));
    auto becomeActive = [] {
        AppDelegate::shared().handleDidBecomeActive({});
        // The pass, and the update check that comes with it, have ended.
        return drainUntil([] { return fdn::BackgroundWork::running() == 0; });
    };
    storeRows({"first", "refused"});
    server_.setEventRejection(
        [](const fdn::ValueDictionary& event) { return event.at("uid").text() == "refused"; });
    ASSERT_TRUE(becomeActive());
    EXPECT_EQ(uids(), std::vector<std::string>{"refused"});

    server_.setEventRejection(nullptr);
    storeRows({"later"});
    ASSERT_TRUE(becomeActive());
    EXPECT_TRUE(storedRows().empty());
    // The server keeps only the events it took.
    EXPECT_EQ(receivedUids(), (std::vector<std::string>{"first", "refused", "later"}));
}
