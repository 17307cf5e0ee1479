#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Mutex.h"
#include "tests/support/Waits.h"

using namespace platform::foundation;
using namespace std::chrono_literals;

// Sleepers below sleep on their clock object itself: the dispatch scheduler waits on the
// installed clock too, so the waiter count of an installed clock is not theirs alone.
using test_support::waitForWaiters;

TEST(ManualClock, SleepersWakeOnlyWhenTimePassesTheirDeadline) {
    auto clock = std::make_shared<ManualClock>();
    std::atomic<bool> woke{false};
    std::thread sleeper([&] {
        clock->sleepForSeconds(1.0);
        woke = true;
    });
    EXPECT_TRUE(waitForWaiters(*clock, 1));
    clock->advanceSeconds(0.5);
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(woke);
    clock->advanceSeconds(0.5);
    sleeper.join();
    EXPECT_EQ(clock->now().time_since_epoch(), 1s);
}

TEST(Clock, ReplacingTheClockReleasesItsSleepers) {
    auto manual = std::make_shared<ManualClock>();
    auto previous = Clock::currentShared();
    Clock::setCurrent(manual);
    std::thread sleeper([&] { manual->sleepForSeconds(3600); });
    EXPECT_TRUE(waitForWaiters(*manual, 1));
    Clock::setCurrent(previous);
    sleeper.join();  // released, not stuck for an hour
}

TEST(Clock, SpeedScalesSleepsAndSecondsConversionClampsNegativeAndHuge) {
    RealClock fast(100.0);
    auto realStart = std::chrono::steady_clock::now();
    auto start = fast.now();
    fast.sleepForSeconds(2.0);  // 20 ms of real time
    EXPECT_GE(fast.now() - start, 2s);
    EXPECT_LT(std::chrono::steady_clock::now() - realStart, 1s);
    EXPECT_EQ(Clock::fromSeconds(-1), Clock::Duration{0});
    EXPECT_EQ(Clock::fromSeconds(std::nan("")), Clock::Duration{0});
    EXPECT_EQ(Clock::fromSeconds(1e30), Clock::Duration::max());
}

// A wait through Clock::current() while the test replaces the clock it installed: the
// replaced clock must live until the wait on it has returned.
TEST(Clock, AWaitKeepsAReplacedClockAlive) {
    auto installed = std::make_shared<ManualClock>();
    std::weak_ptr<ManualClock> watched = installed;
    auto previous = Clock::currentShared();
    Clock::setCurrent(std::move(installed));
    Mutex mutex;
    ConditionVariable wake;
    std::atomic<int> checks{0};
    std::atomic<bool> replacing{false};
    std::atomic<bool> replaced{false};
    std::atomic<bool> expiredInWait{false};
    std::thread waiter([&] {
        MutexLock lock(mutex);
        Clock::current().waitUntil(mutex, wake, Clock::current().now() + 1h,
                                   [&]() TAVRO_REQUIRES(mutex) {
                                       ++checks;
                                       if (!replacing) return false;
                                       while (!replaced) std::this_thread::yield();
                                       expiredInWait = watched.expired();
                                       return true;
                                   });
    });
    while (checks == 0) std::this_thread::yield();
    {
        // Once we hold the mutex after the first check, the waiter is blocked in its wait.
        MutexLock guard(mutex);
        replacing = true;
    }
    Clock::setCurrent(std::make_shared<ManualClock>());
    replaced = true;
    waiter.join();
    EXPECT_FALSE(expiredInWait);
    EXPECT_TRUE(watched.expired());  // released once the wait is over
    Clock::setCurrent(previous);
}
