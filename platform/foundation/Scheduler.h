#pragma once
// The one thread that waits on the clock for delayed work and timer deadlines and hands
// what is due to its target (a dispatch queue, a run loop). Deadlines are kept in the time
// of the clock that was current when they were set; when another clock is installed the
// pending deadlines keep their remaining delay against the new clock.
//
// All operations are thread-safe. Fire callbacks run on the scheduler thread without any
// lock held and must only hand work on (never block).

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <unordered_map>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Mutex.h"

namespace platform::foundation::detail {

class Scheduler {
  public:
    // Called with the deadline the entry was due at. For a repeating cadence that fell
    // behind, the latest tick of its grid that has passed (missed ticks coalesce into one).
    using Fire = std::function<void(Clock::TimePoint due)>;
    using EntryId = uint64_t;

    static Scheduler& shared();

    EntryId after(Clock::Duration delay, Fire fire);
    // `interval`: the entry starts a repeating cadence (see Fire).
    EntryId at(Clock::TimePoint deadline, Fire fire, Clock::Duration interval = {});
    // The next tick of a repeating cadence that last ticked at `previous`: previous +
    // interval, or, when that has already passed, the latest passed tick of the grid (so
    // it fires at once, once). Never further away than one interval from now (the clock
    // may have been replaced by one with an earlier time).
    EntryId nextTick(Clock::TimePoint previous, Clock::Duration interval, Fire fire);
    // Drops an entry that has not fired yet; harmless when it has.
    void cancel(EntryId id);

    Clock::TimePoint now();

    // Blocks until every entry due at the current clock time has been handed on.
    void waitUntilIdle();

    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

  private:
    Scheduler();
    void threadMain();
    // Moves the pending deadlines to `clock` when it differs from the clock they are kept in.
    void adoptClock(const std::shared_ptr<Clock>& clock) TAVRO_REQUIRES(mutex_);
    EntryId insert(Clock::TimePoint deadline, Clock::Duration interval, Fire fire)
        TAVRO_REQUIRES(mutex_);

    struct Key {
        Clock::TimePoint deadline;
        EntryId id;  // ties run in the order they were scheduled
        auto operator<=>(const Key&) const = default;
    };
    struct Entry {
        Clock::Duration interval{0};
        Fire fire;
    };

    Mutex mutex_;
    ConditionVariable wake_;
    ConditionVariable idle_;
    std::shared_ptr<Clock> clock_ TAVRO_GUARDED_BY(mutex_);
    std::map<Key, Entry> entries_ TAVRO_GUARDED_BY(mutex_);
    std::unordered_map<EntryId, Clock::TimePoint> deadlines_ TAVRO_GUARDED_BY(mutex_);
    EntryId nextId_ TAVRO_GUARDED_BY(mutex_) = 1;
    bool handing_ TAVRO_GUARDED_BY(mutex_) = false;  // the thread is handing due entries on
    uint64_t clockChanges_ TAVRO_GUARDED_BY(mutex_) = 0;
};

}  // namespace platform::foundation::detail
