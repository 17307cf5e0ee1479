#pragma once
// Helpers for tests where threads meet: a counter and a gate that tests wait on (with a
// generous real-time bound so that a fault fails the test instead of hanging it), and a
// way to let everything due at the manual clock's current time run to its end.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Scheduler.h"

namespace platform::foundation::testing {

inline constexpr auto kPatience = std::chrono::seconds(20);

// Counts events from any thread; waitFor blocks until the count reaches a value.
class Counter {
  public:
    // Notifies under the lock: the waiter may destroy the counter as soon as it sees the
    // new count.
    void increment() {
        std::lock_guard lock(mutex_);
        ++count_;
        changed_.notify_all();
    }
    int value() const {
        std::lock_guard lock(mutex_);
        return count_;
    }
    bool waitFor(int atLeast) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kPatience, [&] { return count_ >= atLeast; });
    }

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    int count_ = 0;
};

// Blocks whoever waits until open() is called.
class Gate {
  public:
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    bool wait() const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kPatience, [&] { return open_; });
    }
    bool isOpen() const {
        std::lock_guard lock(mutex_);
        return open_;
    }

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool open_ = false;
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
