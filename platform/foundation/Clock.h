#pragma once
// The source of time for every sleep, delay and timer of the application. The current
// clock is process-wide and injectable: the real clock (optionally sped up, so that
// whole-application runs take less time) or a manual clock that a test advances by hand.
// Wall-clock dates (time stamps in logs) never go through this clock.
//
// All operations are thread-safe.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform::foundation {

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
    // true; `done` is checked with `lock` held, and `wake` must be notified (with the
    // mutex of `lock` held or after changing the state under it) whenever it may have
    // become true. Returns the last result of `done()`.
    virtual bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                           TimePoint deadline, const std::function<bool()>& done) = 0;

    // Blocks the calling thread for `duration` of clock time.
    void sleepFor(Duration length);
    void sleepForSeconds(double seconds) { sleepFor(fromSeconds(seconds)); }

    static Duration fromSeconds(double seconds);
    static double toSeconds(Duration length);

    // The process-wide clock (the real clock at speed 1 until another is installed).
    static Clock& current();
    static std::shared_ptr<Clock> currentShared();
    // Replacing the clock wakes every thread waiting on the previous one (its wait
    // returns with done() false) and calls the change listeners, so that schedulers
    // re-read their deadlines against the new clock.
    static void setCurrent(std::shared_ptr<Clock> clock);
    static void addChangeListener(std::function<void()> listener);

protected:
    // A retired clock (one that is not current) wakes its waiters and lets no new wait
    // block; installing it again revives it.
    virtual void setRetired(bool retired) = 0;
};

// Real time, optionally scaled: at speed 10 a one-second sleep takes 0.1 s.
class RealClock final : public Clock {
public:
    explicit RealClock(double speed = 1.0);

    TimePoint now() const override;
    bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                   TimePoint deadline, const std::function<bool()>& done) override;
    double speed() const { return speed_; }

protected:
    void setRetired(bool retired) override;

private:
    std::chrono::steady_clock::time_point toSteady(TimePoint point) const;
    struct Waiter {
        std::mutex* mutex;
        std::condition_variable* wake;
    };
    mutable std::mutex mutex_;
    std::vector<Waiter*> waiters_;
    bool retired_ = false;

    const double speed_;
    const std::chrono::steady_clock::time_point start_;
};

// Time that moves only when a test calls advance(); threads waiting on it wake as the
// time passes their deadline.
class ManualClock final : public Clock {
public:
    TimePoint now() const override;
    bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                   TimePoint deadline, const std::function<bool()>& done) override;

    void advance(Duration by);
    void advanceSeconds(double seconds) { advance(fromSeconds(seconds)); }
    // Number of threads blocked in waitUntil/sleepFor right now; lets a test wait until a
    // worker has gone to sleep before it advances the time.
    int waiterCount() const;

protected:
    void setRetired(bool retired) override;

private:
    struct Waiter {
        std::mutex* mutex;
        std::condition_variable* wake;
    };
    mutable std::mutex mutex_;
    Duration now_{0};
    std::vector<Waiter*> waiters_;
    bool retired_ = false;
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
