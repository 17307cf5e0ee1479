#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ThreadTestSupport.h"
#include "platform/foundation/Dispatch.h"

namespace platform::foundation {
namespace {

using namespace std::chrono_literals;
using namespace testing;

// A timer on `queue`, resumed: `handler` runs at `start`, then every `interval`.
std::shared_ptr<DispatchTimer> started(DispatchQueuePtr queue, Clock::Duration start,
                                       Clock::Duration interval, Task handler,
                                       Task cancelled = {}) {
    auto timer = DispatchTimer::make(std::move(queue));
    timer->setEventHandler(std::move(handler));
    if (cancelled) timer->setCancelHandler(std::move(cancelled));
    timer->setTimer(start, interval);
    timer->resume();
    return timer;
}

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
    std::vector<Clock::TimePoint> firedAt;  // only touched on the serial queue
    auto timer = started(queue, 1s, 1s, [&] { firedAt.push_back(Clock::current().now()); });
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
    Gate release;
    Counter entered, cancelled;  // the cancel handler runs after the last handler has returned
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    auto timer = started(
        globalQueue(), 1s, 1s,
        [&] {
            if (++inside > 1) ++overlaps;
            entered.increment();
            if (entered.value() == 1) release.wait();
            --inside;
        },
        [&] { cancelled.increment(); });
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

TEST_F(DispatchTimerTest, OneShotFiresOnceFromItsLastSchedule) {
    std::atomic<int> fired{0};
    auto timer = started(queue, 1s, 1s, [&] { ++fired; });
    advance(500ms);
    timer->setTimer(3s, 0s);  // replaces the schedule
    timer.reset();            // a resumed timer outlives its last reference
    advance(2s);
    EXPECT_EQ(fired.load(), 0);
    advance(1s);
    advance(5s);
    EXPECT_EQ(fired.load(), 1);
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
    auto queued = started(
        queue, 1s, 1s, [&] { ++fired; }, [&] { cancelled.increment(); });
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
        std::atomic<bool> cancelHandlerRan{false};
        std::atomic<int> lateFirings{0};
        Counter done;
        auto timer = started(
            globalQueue(), 1ms, 1ms, [&] { lateFirings += cancelHandlerRan.load(); },
            [&] {
                cancelHandlerRan = true;
                done.increment();
            });
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

}  // namespace
}  // namespace platform::foundation
