// Timer sources against a manual clock: exact firing counts, cancellation from every
// side, no overlap and no drift.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ThreadTestSupport.h"
#include "platform/foundation/Dispatch.h"

namespace platform::foundation {
namespace {

using namespace std::chrono_literals;
using testing::Counter;
using testing::Gate;
using testing::settle;

class DispatchTimerTest : public ::testing::Test {
  protected:
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    ScopedClock scoped{clock};
    DispatchQueuePtr queue = makeSerialQueue("timer-test");
    void advance(Clock::Duration by) {
        clock->advance(by);
        settle(queue);
    }
};

TEST_F(DispatchTimerTest, RepeatingTimerKeepsItsGridAndCoalescesMissedTicks) {
    auto timer = DispatchTimer::make(queue);
    std::vector<Clock::TimePoint> firedAt;  // only touched on the serial queue
    timer->setEventHandler([&] { firedAt.push_back(Clock::current().now()); });
    timer->setTimer(1s, 1s);
    timer->resume();
    advance(999ms);
    queue->sync([&] { EXPECT_TRUE(firedAt.empty()); });
    advance(1ms);
    advance(1s);
    // Off-grid steps: firings stay on start + k * interval, not on when they were noticed.
    advance(1500ms);  // t = 3.5: the tick at 3 fires
    advance(400ms);   // t = 3.9: nothing
    advance(100ms);   // t = 4.0: the tick at 4 fires
    advance(10s);     // ten ticks missed: one firing
    timer->cancel();
    queue->sync([&] {
        EXPECT_EQ(firedAt, (std::vector<Clock::TimePoint>{
                               Clock::TimePoint(1s), Clock::TimePoint(2s), Clock::TimePoint(3500ms),
                               Clock::TimePoint(4s), Clock::TimePoint(14s)}));
    });
}

TEST_F(DispatchTimerTest, SlowHandlerGetsOneCatchUpFiringAndNeverOverlaps) {
    // A concurrent queue: only the timer itself keeps its firings apart.
    auto timer = DispatchTimer::make(globalQueue());
    Gate release;
    Counter entered;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    timer->setEventHandler([&] {
        if (++inside > 1) ++overlaps;
        entered.increment();
        if (entered.value() == 1) release.wait();
        --inside;
    });
    Counter cancelled;  // runs after the last handler has returned
    timer->setCancelHandler([&] { cancelled.increment(); });
    timer->setTimer(1s, 1s);
    timer->resume();
    clock->advance(1s);
    ASSERT_TRUE(entered.waitFor(1));
    clock->advance(3s);  // three ticks pass while the first firing blocks
    detail::Scheduler::shared().waitUntilIdle();
    EXPECT_EQ(entered.value(), 1);
    release.open();
    ASSERT_TRUE(entered.waitFor(2));
    detail::Scheduler::shared().waitUntilIdle();
    clock->advance(1s);
    ASSERT_TRUE(entered.waitFor(3));
    timer->cancel();
    ASSERT_TRUE(cancelled.waitFor(1));
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(entered.value(), 3);
}

TEST_F(DispatchTimerTest, OneShotFiresOnceFromItsLastScheduleAndNotBeforeResume) {
    auto timer = DispatchTimer::make(queue);
    std::atomic<int> fired{0};
    timer->setEventHandler([&] { ++fired; });
    timer->setTimer(1s, 1s);
    timer->resume();
    advance(500ms);
    timer->setTimer(3s, 0s);  // replaces the schedule
    timer.reset();            // a resumed timer outlives its last reference
    advance(2s);
    EXPECT_EQ(fired.load(), 0);
    advance(1s);
    advance(5s);
    EXPECT_EQ(fired.load(), 1);
    auto suspended = DispatchTimer::make(queue);
    suspended->setEventHandler([&] { ++fired; });
    suspended->setTimer(1s, 0s);
    advance(5s);
    EXPECT_EQ(fired.load(), 1);
    suspended->resume();  // the deadline passed while suspended: fires at once
    settle(queue);
    EXPECT_EQ(fired.load(), 2);
}

TEST_F(DispatchTimerTest, CancelFromTheHandlerOrWhileAFiringIsQueuedEndsTheFirings) {
    auto timer = DispatchTimer::make(queue);
    std::atomic<int> fired{0};
    Counter cancelled;
    timer->setEventHandler([&] {
        if (++fired == 2) timer->cancel();
    });
    timer->setCancelHandler([&] {
        EXPECT_EQ(fired.load(), 2);  // after the event handler that cancelled
        cancelled.increment();
    });
    timer->setTimer(1s, 1s);
    timer->resume();
    for (int i = 0; i < 5; ++i) advance(1s);
    EXPECT_EQ(fired.load(), 2);
    EXPECT_EQ(cancelled.value(), 1);
    auto queued = DispatchTimer::make(queue);
    queued->setEventHandler([&] { ++fired; });
    queued->setCancelHandler([&] { cancelled.increment(); });
    queued->setTimer(1s, 1s);
    queued->resume();
    Gate busy;
    queue->async([&] { busy.wait(); });
    clock->advance(1s);
    detail::Scheduler::shared().waitUntilIdle();  // the firing now waits behind `busy`
    std::thread other([&] { queued->cancel(); });
    other.join();
    busy.open();
    advance(5s);
    EXPECT_EQ(fired.load(), 2);
    EXPECT_EQ(cancelled.value(), 2);
}

TEST_F(DispatchTimerTest, CancelFromAnotherThreadRacingFirings) {
    // Many short runs: whatever the interleaving, nothing runs after the cancel handler,
    // and the cancel handler runs once.
    for (int run = 0; run < 50; ++run) {
        auto timer = DispatchTimer::make(globalQueue());
        std::atomic<bool> cancelHandlerRan{false};
        std::atomic<int> lateFirings{0};
        Counter done;
        timer->setEventHandler([&] {
            if (cancelHandlerRan) ++lateFirings;
        });
        timer->setCancelHandler([&] {
            cancelHandlerRan = true;
            done.increment();
        });
        timer->setTimer(1ms, 1ms);
        timer->resume();
        std::thread canceller([&] { timer->cancel(); });
        for (int i = 0; i < 5; ++i) clock->advance(1ms);
        canceller.join();
        ASSERT_TRUE(done.waitFor(1));
        clock->advance(10ms);
        detail::Scheduler::shared().waitUntilIdle();
        EXPECT_EQ(lateFirings.load(), 0);
        EXPECT_EQ(done.value(), 1);
    }
}

// A repeating timer whose only owner is its own handler goes on firing until it cancels
// itself, and cancel releases the handler, so nothing is left behind.
TEST_F(DispatchTimerTest, ASelfOwnedTimerIsReleasedByItsCancel) {
    std::atomic<int> repeating{0};
    auto selfOwned = DispatchTimer::make(queue);
    std::weak_ptr<DispatchTimer> selfWeak = selfOwned;
    selfOwned->setEventHandler([selfOwned, &repeating] {
        if (++repeating == 3) selfOwned->cancel();
    });
    selfOwned->setTimer(1s, 1s);
    selfOwned->resume();
    selfOwned.reset();
    for (int i = 0; i < 5; ++i) advance(1s);
    EXPECT_EQ(repeating.load(), 3);
    EXPECT_TRUE(selfWeak.expired());
}

TEST_F(DispatchTimerTest, PendingDeadlinesCarryOverToANewClock) {
    auto timer = DispatchTimer::make(queue);
    std::atomic<int> fired{0};
    timer->setEventHandler([&] { ++fired; });
    timer->setTimer(2s, 0s);
    timer->resume();
    advance(1s);
    auto later = std::make_shared<ManualClock>();
    later->advance(100s);
    ScopedClock replaced(later);
    later->advance(999ms);
    settle(queue);
    EXPECT_EQ(fired.load(), 0);
    later->advance(1ms);
    settle(queue);
    EXPECT_EQ(fired.load(), 1);
}

}  // namespace
}  // namespace platform::foundation
