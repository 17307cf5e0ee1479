#pragma once
// Helpers for tests where threads meet: a counter and a gate that tests wait on (with a
// generous real-time bound so that a fault fails the test instead of hanging it), and a
// way to let everything due at the manual clock's current time run to its end.

#include <atomic>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Scheduler.h"
#include "tests/support/Waits.h"

namespace platform::foundation::testing {

inline constexpr double kPatienceSeconds = 20;

// Counts events from any thread; waitFor waits until the count reaches a value.
class Counter {
  public:
    void increment() { ++count_; }
    int value() const { return count_; }
    bool waitFor(int atLeast) const {
        return test_support::waitUntil([&] { return count_ >= atLeast; }, kPatienceSeconds);
    }

  private:
    std::atomic<int> count_{0};
};

// Holds whoever waits until open() is called.
class Gate {
  public:
    void open() { open_ = true; }
    bool wait() const {
        return test_support::waitUntil([&] { return open_.load(); }, kPatienceSeconds);
    }
    bool isOpen() const { return open_; }

  private:
    std::atomic<bool> open_{false};
};

// Lets the work that is due now reach `queue` and finish there, including a timer's
// catch-up firing that its previous firing scheduled for right away.
inline void settle(const DispatchQueuePtr& queue) {
    for (int round = 0; round < 3; ++round) {
        detail::Scheduler::shared().waitUntilIdle();
        if (queue == mainQueue()) {
            MainLoop::drain();
        } else {
            queue->sync([] {});
        }
    }
}

}  // namespace platform::foundation::testing
