#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <set>
#include <thread>

#include "common/GCXTimer.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Scheduler.h"
#include "tests/support/Threads.h"
#include "tests/support/Waits.h"

using common::GCXTimer;
namespace fd = platform::foundation;

namespace {

class GCXTimerTest : public ::testing::Test {
  protected:
    void advance(double seconds, double step = 0.01) {
        test_support::advanceInSteps(*clock_, seconds, step);
    }
    std::shared_ptr<fd::ManualClock> clock_ = std::make_shared<fd::ManualClock>();
    fd::ScopedClock scoped_{clock_};
};

TEST_F(GCXTimerTest, RunsOneShotsOnceAndRepeatsUntilCancelledFromTheTask) {
    int runs = 0, repeats = 0;
    const auto run = [&] { ++runs; };
    EXPECT_EQ(GCXTimer::execTask(nullptr, 0, 1, true, false), "");
    EXPECT_EQ(GCXTimer::execTask(run, -1, 1, true, false), "");
    EXPECT_EQ(GCXTimer::execTask(run, 0, 0, true, false), "");
    // A one-shot runs once at its start delay, whatever its interval.
    GCXTimer::execTask(run, 0.5, 0, false, false);
    GCXTimer::execTask(run, 0.5, 0.1, false, false);
    std::string key;
    key = GCXTimer::execTask(
        [&] {
            if (++repeats == 3) GCXTimer::cancelTimerTask(key);
        },
        0, 0.25, true, false);
    advance(0.4);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(repeats, 2);  // at 0 and 0.25
    advance(2);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(repeats, 3);
}

// Times beyond the clock's range mean "not in this lifetime"; times that are not numbers
// name no time at all.
TEST_F(GCXTimerTest, HugeTimesNeverComeAndNotANumberIsRefused) {
    const double nan = std::nan("");
    const double infinity = std::numeric_limits<double>::infinity();
    int runs = 0, repeats = 0;
    const auto run = [&] { ++runs; };
    for (auto [start, interval] : {std::pair{nan, 1.0}, {0.0, nan}, {nan, 0.0}, {1.0, nan}}) {
        EXPECT_EQ(GCXTimer::execTask(run, start, interval, true, false), "");
        EXPECT_EQ(GCXTimer::execTask(run, start, interval, false, true), "");
    }
    std::vector<std::string> keys;
    for (double start : {1e300, infinity, 9.3e9}) {
        keys.push_back(GCXTimer::execTask(run, start, 1, true, false));
        keys.push_back(GCXTimer::execTask(run, start, 0, false, false));
    }
    for (double interval : {1e300, infinity}) {
        keys.push_back(GCXTimer::execTask([&] { ++repeats; }, 0, interval, true, false));
    }
    for (const auto& key : keys) EXPECT_NE(key, "");
    advance(3, 0.5);
    clock_->advance(std::chrono::hours(24 * 365 * 100));
    fd::MainLoop::drain();
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(repeats, 2) << "each ran at its start and is not due again";
    for (const auto& key : keys) GCXTimer::cancelTimerTask(key);
}

TEST_F(GCXTimerTest, KeysStayDistinctWhileTasksLive) {
    const std::string a = GCXTimer::execTask([] {}, 10, 1, true, true);
    const std::string b = GCXTimer::execTask([] {}, 10, 1, true, true);
    GCXTimer::cancelTimerTask(a);
    const std::string c = GCXTimer::execTask([] {}, 10, 1, true, true);
    EXPECT_NE(c, b);  // a count of live tasks would have given b's key again
    GCXTimer::cancelTimerTask(b);
    GCXTimer::cancelTimerTask(c);
    std::string own;
    const std::string d =
        GCXTimer::execTask2([&](const std::string& key) { own = key; }, 0, 0, false, false);
    advance(0.1);
    EXPECT_EQ(own, d);
}

TEST_F(GCXTimerTest, ManyThreadsAddAndCancelWhileTasksFire) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 200;
    std::mutex mutex;
    std::set<std::string> keys;
    std::atomic<int> oneShotRuns{0};
    std::atomic<int> repeatingRuns{0};
    // The clock keeps moving while the threads work, so repeating tasks do fire.
    std::atomic<bool> working{true};
    std::thread ticker([&] {
        for (; working; std::this_thread::yield()) clock_->advanceSeconds(0.001);
    });
    test_support::onThreads(kThreads, [&](int) {
        for (int i = 0; i < kPerThread; ++i) {
            auto oneShot = GCXTimer::execTask([&] { ++oneShotRuns; }, 0, 0, false, true);
            auto repeating = GCXTimer::execTask([&] { ++repeatingRuns; }, 0, 0.001, true, true);
            {
                std::lock_guard lock(mutex);
                EXPECT_TRUE(keys.insert(oneShot).second && keys.insert(repeating).second);
            }
            GCXTimer::cancelTimerTask(repeating);
        }
    });
    EXPECT_TRUE(test_support::drainUntil([&] { return oneShotRuns == kThreads * kPerThread; }));
    working = false;
    ticker.join();
    // Every repeating task was cancelled: no further runs once the queues are quiet.
    const int before = repeatingRuns;
    clock_->advanceSeconds(1);
    fd::detail::Scheduler::shared().waitUntilIdle();  // what came due is on the queue
    test_support::waitUntil([&] { return repeatingRuns - before > kThreads; }, 0.2);
    EXPECT_LE(repeatingRuns - before, kThreads);  // at most a firing in flight each
}

}  // namespace
