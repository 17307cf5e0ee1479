// The upload of stored usage events: pacing, deletion only after success, one pass at a time.

#include <algorithm>
#include <atomic>

#include "BackendTestSupport.h"
#include "backend/UploadStoredEvents.h"
#include "platform/foundation/Clock.h"

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
    server_.setMode(Mode::Garbage);
    EXPECT_EQ(upload(storeRows({"x", "y"})), 0);
    EXPECT_EQ(uids(), (std::vector<std::string>{"x", "y"}));
}
