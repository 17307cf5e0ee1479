#pragma once
// A counter and a gate that tests wait on from any thread (with a generous real-time bound,
// so that a fault fails the test instead of hanging it), and a way to let everything due at
// the manual clock's current time run to its end.

#include <atomic>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Scheduler.h"
#include "tests/support/Waits.h"

namespace platform::foundation::testing {

inline constexpr double kPatienceSeconds = 20;

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

class Gate {
  public:
    void open() { open_ = true; }
    bool wait() const {
        return test_support::waitUntil([&] { return open_.load(); }, kPatienceSeconds);
    }

  private:
    std::atomic<bool> open_{false};
};

// Includes a timer's catch-up firing that its previous firing scheduled for right away.
inline void settle(const DispatchQueuePtr& queue) {
    for (int round = 0; round < 3; ++round) {
        detail::Scheduler::shared().waitUntilIdle();
        queue == mainQueue() ? void(MainLoop::drain()) : queue->sync([] {});
    }
}

}  // namespace platform::foundation::testing
