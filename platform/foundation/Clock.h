#pragma once
// The source of time for every sleep, delay and timer of the application. The current
// clock is process-wide and injectable: the real clock (optionally sped up, so that
// whole-application runs take less time) or a manual clock that a test advances by hand.
// Wall-clock dates (time stamps in logs) never go through this clock.
//
// How to use it:
// - Choose the clock once, before the threads that wait on it start: a process passes a
//   speed factor (`Clock::setCurrent(std::make_shared<RealClock>(10.0))`) and a test
//   installs its clock at its start, for its own life
//   (`ScopedClock scoped(std::make_shared<ManualClock>())`, then `clock->advance(...)`).
// - Read and wait through `Clock::current()`: the handle it returns keeps the clock alive
//   for as long as it is held, so `Clock::current().sleepForSeconds(0.5)` or
//   `Clock::current().waitUntil(...)` stay valid even if the clock is replaced meanwhile.
//   Code that waits in a loop takes `Clock::current()` again on each turn.
// - Replacing the clock while threads run is tolerated (a test fixture installing its
//   manual clock while the process's dispatch threads already run): every wait on the
//   previous clock returns at once with its condition false, and the change listeners
//   (the dispatch scheduler) move their pending deadlines to the new clock.
//
// All operations are thread-safe.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "platform/foundation/Mutex.h"

namespace platform::foundation {

class ClockRef;

class Clock {
  public:
    using Duration = std::chrono::nanoseconds;
    // Time since the clock was created, in the clock's own (possibly scaled) time.
    using TimePoint = std::chrono::time_point<Clock, Duration>;
    using duration = Duration;  // lets TimePoint use this class as its clock
    using rep = Duration::rep;
    using period = Duration::period;

    virtual ~Clock() = default;

    virtual TimePoint now() const = 0;

    // Blocks the calling thread until the clock has reached `deadline` or `done()` is
    // true; `done` is checked with `mutex` held (annotate it `TAVRO_REQUIRES(mutex)`), and
    // `wake` must be notified (with `mutex` held or after changing the state under it)
    // whenever it may have become true. The caller holds `mutex` (through its MutexLock);
    // it may be released and taken again before the first check.
    // Returns the last result of `done()`; false at once when the clock has been retired.
    // The caller must not hold any other mutex that a waiter on this clock waits with.
    bool waitUntil(Mutex& mutex, ConditionVariable& wake, TimePoint deadline,
                   const std::function<bool()>& done) TAVRO_REQUIRES(mutex);

    // Blocks the calling thread for `duration` of clock time.
    void sleepFor(Duration length);
    void sleepForSeconds(double seconds) { sleepFor(fromSeconds(seconds)); }

    // Seconds to a duration, saturating: not-a-number and negatives give 0, anything past
    // the range (infinity included) gives Duration::max().
    static Duration fromSeconds(double seconds);
    static double toSeconds(Duration length);
    // `point` + `length`, held at the ends of the range instead of overflowing: a deadline
    // "Duration::max() from now" is one that never comes.
    static TimePoint later(TimePoint point, Duration length);

    // The process-wide clock (the real clock at speed 1 until another is installed). The
    // handle keeps it alive while held.
    static ClockRef current();
    static std::shared_ptr<Clock> currentShared();
    // Installs `clock` (the real clock at speed 1 when null). Replacing a clock wakes every
    // thread waiting on the previous one (its wait returns with done() false) and calls the
    // change listeners, so that schedulers re-read their deadlines against the new clock.
    static void setCurrent(std::shared_ptr<Clock> clock);
    static void addChangeListener(std::function<void()> listener);

  protected:
    // One blocking step of a wait, with `mutex` held and the waiter registered: returns
    // false when the deadline has passed, otherwise blocks on `wake` until notified or,
    // for real time, until the deadline.
    virtual bool blockUntil(Mutex& mutex, ConditionVariable& wake, TimePoint deadline)
        TAVRO_REQUIRES(mutex) = 0;

    // Changes the clock's state (under the clock's own lock) and then wakes every waiter.
    // `change` runs with waitersMutex_ held.
    // Each waiter is notified with its own mutex held, so that a wake-up cannot slip in
    // between a waiter's check of the time and its wait.
    void changeAndWake(const std::function<void()>& change);

    // Number of threads inside waitUntil right now.
    int registeredWaiters() const;

  private:
    struct Waiter {
        Mutex* mutex;
        ConditionVariable* wake;
    };
    void setRetired(bool retired);

    mutable Mutex waitersMutex_;
    std::vector<Waiter*> waiters_ TAVRO_GUARDED_BY(waitersMutex_);
    std::atomic<bool> retired_{false};
};

// The current clock, held alive: forwards to it (`Clock::current().now()`).
class ClockRef {
  public:
    explicit ClockRef(std::shared_ptr<Clock> clock) : clock_(std::move(clock)) {}

    Clock::TimePoint now() const { return clock_->now(); }
    bool waitUntil(Mutex& mutex, ConditionVariable& wake, Clock::TimePoint deadline,
                   const std::function<bool()>& done) const TAVRO_REQUIRES(mutex) {
        return clock_->waitUntil(mutex, wake, deadline, done);
    }
    void sleepFor(Clock::Duration length) const { clock_->sleepFor(length); }
    void sleepForSeconds(double seconds) const { clock_->sleepForSeconds(seconds); }

    Clock* operator->() const { return clock_.get(); }
    const std::shared_ptr<Clock>& shared() const { return clock_; }

  private:
    std::shared_ptr<Clock> clock_;
};

// Real time, optionally scaled: at speed 10 a one-second sleep takes 0.1 s.
class RealClock final : public Clock {
  public:
    explicit RealClock(double speed = 1.0);

    TimePoint now() const override;
    double speed() const { return speed_; }

  protected:
    bool blockUntil(Mutex& mutex, ConditionVariable& wake, TimePoint deadline)
        TAVRO_REQUIRES(mutex) override;

  private:
    std::chrono::steady_clock::time_point toSteady(TimePoint point) const;

    const double speed_;
    const std::chrono::steady_clock::time_point start_;
};

// Time that moves only when a test calls advance(); threads waiting on it wake as the
// time passes their deadline.
class ManualClock final : public Clock {
  public:
    TimePoint now() const override;

    void advance(Duration by);
    void advanceSeconds(double seconds) { advance(fromSeconds(seconds)); }
    // Number of threads blocked in waitUntil/sleepFor right now; lets a test wait until a
    // worker has gone to sleep before it advances the time.
    int waiterCount() const { return registeredWaiters(); }

  protected:
    bool blockUntil(Mutex& mutex, ConditionVariable& wake, TimePoint deadline)
        TAVRO_REQUIRES(mutex) override;

  private:
    // Read without any lock: waiters read it while holding their own mutex, which
    // advance() takes after storing it.
    std::atomic<Duration::rep> now_{0};
};

// Installs a clock for the life of a scope (tests), restoring the previous one after.
class ScopedClock {
  public:
    explicit ScopedClock(std::shared_ptr<Clock> clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

  private:
    std::shared_ptr<Clock> previous_;
};

}  // namespace platform::foundation
