#pragma once
// A timeout measured in clock time that survives the clock being replaced while it runs:
// the remaining time carries over to the new clock (a test installing a manual clock does
// not leave a loop waiting on a retired clock that never moves again). Not thread-safe;
// owned by the loop that waits.

#include <memory>

#include "platform/foundation/Clock.h"

namespace platform::foundation::detail {

class ClockDeadline {
  public:
    explicit ClockDeadline(Clock::Duration timeout)
        : clock_(Clock::currentShared()), deadline_(clock_->now() + timeout) {}

    bool passed() {
        auto clock = Clock::currentShared();
        if (clock != clock_) {
            deadline_ = clock->now() + (deadline_ - clock_->now());
            clock_ = std::move(clock);
        }
        return clock_->now() >= deadline_;
    }

  private:
    std::shared_ptr<Clock> clock_;
    Clock::TimePoint deadline_;
};

}  // namespace platform::foundation::detail
