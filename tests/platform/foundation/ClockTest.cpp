#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "platform/foundation/Clock.h"

using namespace platform::foundation;
using namespace std::chrono_literals;

namespace {

// Sleepers below sleep on their clock object itself: the dispatch scheduler waits on the
// installed clock too, so the waiter count of an installed clock is not theirs alone.
void waitForWaiters(const ManualClock& clock, int count) {
    while (clock.waiterCount() < count) std::this_thread::yield();
}

}  // namespace

TEST(ManualClock, SleepersWakeOnlyWhenTimePassesTheirDeadline) {
    auto clock = std::make_shared<ManualClock>();
    std::atomic<bool> woke{false};
    std::thread sleeper([&] {
        clock->sleepForSeconds(1.0);
        woke = true;
    });
    waitForWaiters(*clock, 1);
    clock->advanceSeconds(0.5);
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(woke);
    clock->advanceSeconds(0.5);
    sleeper.join();
    EXPECT_TRUE(woke);
    EXPECT_EQ(clock->now().time_since_epoch(), 1s);
}

TEST(ManualClock, WaitEndsWhenTheConditionBecomesTrue) {
    auto clock = std::make_shared<ManualClock>();
    std::mutex mutex;
    std::condition_variable wake;
    bool ready = false;
    std::thread setter([&] {
        waitForWaiters(*clock, 1);
        std::lock_guard guard(mutex);
        ready = true;
        wake.notify_all();
    });
    std::unique_lock lock(mutex);
    EXPECT_TRUE(clock->waitUntil(lock, wake, clock->now() + 10s, [&] { return ready; }));
    lock.unlock();
    setter.join();
}

TEST(Clock, ReplacingTheClockReleasesItsSleepersAndRevivesOnReinstall) {
    auto manual = std::make_shared<ManualClock>();
    auto previous = Clock::currentShared();
    Clock::setCurrent(manual);
    std::thread sleeper([&] { manual->sleepForSeconds(3600); });
    waitForWaiters(*manual, 1);
    Clock::setCurrent(previous);
    sleeper.join();  // released, not stuck for an hour

    // The clock put back in place blocks again.
    Clock::setCurrent(manual);
    std::atomic<bool> woke{false};
    std::thread second([&] {
        manual->sleepForSeconds(1);
        woke = true;
    });
    waitForWaiters(*manual, 1);
    std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(woke);
    // The sleeper may have started after an advance; keep time moving until it wakes.
    for (int step = 0; step < 1000 && !woke; ++step) {
        manual->advanceSeconds(1);
        std::this_thread::sleep_for(1ms);
    }
    second.join();
    Clock::setCurrent(previous);
}

TEST(RealClock, SpeedScalesSleeps) {
    RealClock fast(100.0);
    auto realStart = std::chrono::steady_clock::now();
    auto start = fast.now();
    fast.sleepForSeconds(2.0);  // 20 ms of real time
    auto realElapsed = std::chrono::steady_clock::now() - realStart;
    EXPECT_GE(fast.now() - start, 2s);
    EXPECT_LT(realElapsed, 1s);
}

TEST(Clock, SecondsConversionClampsNegativeAndHuge) {
    EXPECT_EQ(Clock::fromSeconds(-1), Clock::Duration{0});
    EXPECT_EQ(Clock::fromSeconds(std::nan("")), Clock::Duration{0});
    EXPECT_EQ(Clock::fromSeconds(1e30), Clock::Duration::max());
    EXPECT_EQ(Clock::fromSeconds(0.25), 250ms);
}
