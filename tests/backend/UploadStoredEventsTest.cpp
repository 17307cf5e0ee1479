// The upload of stored usage events: pacing, deletion only after success, one pass at a time.

#include <atomic>
#include <set>

#include "BackendTestSupport.h"
#include "backend/UploadStoredEvents.h"
#include "platform/foundation/Clock.h"

using namespace backendtest;

class UploadStoredEventsTest : public BackendTest {
  protected:
    void storeRows(std::initializer_list<const char*> uids) {
        auto& table = TavroFMDBManager::shareManager();
        table.createFMDBTable();
        int type = 0;
        for (const char* uid : uids)
            table.insertUserBehavior({{"uid", uid}, {"eventType", type++}});
        table.drainDatabaseQueue();
    }
    static std::vector<std::string> uidsOf(const TavroFMDBManager::Rows& rows) {
        std::vector<std::string> uids;
        for (const auto& row : rows) uids.push_back(row.at("uid").text());
        return uids;
    }
    std::vector<std::string> receivedUids() {
        std::vector<std::string> uids;
        for (const auto& event : server().receivedEvents())
            uids.push_back(event.body.at("uid").text());
        return uids;
    }
};

TEST_F(UploadStoredEventsTest, RowsGoAQuarterSecondApartAndOnlyAFailedRowRemains) {
    auto clock = std::make_shared<fdn::ManualClock>();
    fdn::ScopedClock scoped(clock);
    storeRows({"first", "second", "third"});
    server().setEventRejection(
        [](const fdn::ValueDictionary& event) { return event.at("uid").text() == "second"; });

    std::atomic<int> uploaded{-1};
    uploadStoredEvents(storedRows(), [&](size_t count) { uploaded = static_cast<int>(count); });
    for (size_t row = 0; row < 3; ++row) {
        ASSERT_TRUE(waitFor([&] { return clock->waiterCount() == 1; })) << row;
        if (row == 0) {
            clock->advanceSeconds(0.2);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            EXPECT_EQ(server().requestCount(), 0u) << "sent before its quarter second";
            clock->advanceSeconds(0.05);
        } else {
            clock->advanceSeconds(0.25);
        }
        ASSERT_TRUE(waitFor([&] { return server().requestCount() == row + 1; })) << row;
    }
    ASSERT_TRUE(waitFor([&] { return uploaded.load() >= 0; }));
    EXPECT_EQ(uploaded.load(), 2);

    auto events = server().receivedEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].body.at("uid").text(), "first");
    EXPECT_EQ(events[1].body.at("uid").text(), "third");
    EXPECT_EQ(events[0].receivedAt.time_since_epoch(), fdn::Clock::fromSeconds(0.25));
    EXPECT_EQ(events[1].receivedAt.time_since_epoch(), fdn::Clock::fromSeconds(0.75));
    EXPECT_EQ(uidsOf(storedRows()), std::vector<std::string>{"second"});
}

TEST_F(UploadStoredEventsTest, TwoPassesStartedTogetherUploadEachRowOnce) {
    fdn::ScopedClock fast(std::make_shared<fdn::RealClock>(100.0));
    storeRows({"a", "b", "c"});
    auto rows = storedRows();

    std::atomic<int> finished{0};
    std::atomic<size_t> total{0};
    auto done = [&](size_t count) {
        total += count;
        ++finished;
    };
    uploadStoredEvents(rows, done);
    uploadStoredEvents(rows, done);
    ASSERT_TRUE(waitFor([&] { return finished.load() == 2; }));
    EXPECT_EQ(total.load(), 3u);
    auto received = receivedUids();
    EXPECT_EQ(received.size(), 3u);
    EXPECT_EQ(std::set<std::string>(received.begin(), received.end()).size(), 3u);
    EXPECT_TRUE(storedRows().empty());

    // A pass holding an older reading of the table sends nothing that is already gone.
    finished = 0;
    uploadStoredEvents(rows, done);
    ASSERT_TRUE(waitFor([&] { return finished.load() == 1; }));
    EXPECT_EQ(receivedUids().size(), 3u);
}

TEST_F(UploadStoredEventsTest, ABackendThatIsDownKeepsEveryRow) {
    fdn::ScopedClock fast(std::make_shared<fdn::RealClock>(100.0));
    storeRows({"x", "y"});
    server().setMode(platform::sim::SimBackendServer::Mode::Garbage);
    std::atomic<int> uploaded{-1};
    uploadStoredEvents(storedRows(), [&](size_t count) { uploaded = static_cast<int>(count); });
    ASSERT_TRUE(waitFor([&] { return uploaded.load() >= 0; }));
    EXPECT_EQ(uploaded.load(), 0);
    EXPECT_EQ(uidsOf(storedRows()), (std::vector<std::string>{"x", "y"}));
}
