#include "platform/foundation/Clock.h"

#include <algorithm>
#include <utility>
#include <cmath>

namespace platform::foundation {

namespace {

// A notification can slip between a waiter's check of the time and its wait (the clock's
// own lock is not the waiter's lock); waits are therefore cut into slices of real time so
// such a miss costs at most one slice.
constexpr auto kManualSlice = std::chrono::milliseconds(2);
constexpr auto kRealSlice = std::chrono::milliseconds(50);

struct Registry {
    std::mutex mutex;
    std::shared_ptr<Clock> clock = std::make_shared<RealClock>();
    std::vector<std::function<void()>> listeners;
};

Registry& registry() {
    static Registry* instance = new Registry;  // outlives every static user
    return *instance;
}

// Registers a waiter in a clock's list for the life of a wait.
template <class Waiter>
class WaiterRegistration {
public:
    WaiterRegistration(std::mutex& mutex, std::vector<Waiter*>& waiters, Waiter* waiter)
        : mutex_(mutex), waiters_(waiters), waiter_(waiter) {
        std::lock_guard guard(mutex_);
        waiters_.push_back(waiter_);
    }
    ~WaiterRegistration() {
        std::lock_guard guard(mutex_);
        waiters_.erase(std::find(waiters_.begin(), waiters_.end(), waiter_));
    }

private:
    std::mutex& mutex_;
    std::vector<Waiter*>& waiters_;
    Waiter* waiter_;
};

}  // namespace

void Clock::sleepFor(Duration length) {
    std::mutex mutex;
    std::condition_variable wake;
    std::unique_lock lock(mutex);
    waitUntil(lock, wake, now() + length, [] { return false; });
}

Clock::Duration Clock::fromSeconds(double seconds) {
    if (!(seconds > 0)) return Duration{0};
    double nanos = seconds * 1e9;
    if (nanos >= 9.2e18) return Duration::max();
    return Duration{static_cast<Duration::rep>(std::llround(nanos))};
}

double Clock::toSeconds(Duration length) { return static_cast<double>(length.count()) / 1e9; }

Clock& Clock::current() { return *currentShared(); }

std::shared_ptr<Clock> Clock::currentShared() {
    auto& state = registry();
    std::lock_guard guard(state.mutex);
    return state.clock;
}

void Clock::setCurrent(std::shared_ptr<Clock> clock) {
    auto& state = registry();
    if (!clock) clock = std::make_shared<RealClock>();
    clock->setRetired(false);
    std::shared_ptr<Clock> previous;
    std::vector<std::function<void()>> listeners;
    {
        std::lock_guard guard(state.mutex);
        previous = std::exchange(state.clock, clock);
        listeners = state.listeners;
    }
    if (previous && previous != clock) previous->setRetired(true);
    for (auto& listener : listeners) listener();
}

void Clock::addChangeListener(std::function<void()> listener) {
    auto& state = registry();
    std::lock_guard guard(state.mutex);
    state.listeners.push_back(std::move(listener));
}

// ---- RealClock

RealClock::RealClock(double speed)
    : speed_(speed > 0 ? speed : 1.0), start_(std::chrono::steady_clock::now()) {}

Clock::TimePoint RealClock::now() const {
    auto elapsed = std::chrono::steady_clock::now() - start_;
    auto scaled = std::chrono::duration<double, std::nano>(elapsed) * speed_;
    return TimePoint(std::chrono::duration_cast<Duration>(scaled));
}

std::chrono::steady_clock::time_point RealClock::toSteady(TimePoint point) const {
    if (point.time_since_epoch() >= Duration::max() / 2) return std::chrono::steady_clock::time_point::max();
    auto real = std::chrono::duration<double, std::nano>(point.time_since_epoch()) / speed_;
    return start_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(real);
}

bool RealClock::waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                          TimePoint deadline, const std::function<bool()>& done) {
    Waiter self{lock.mutex(), &wake};
    WaiterRegistration registration(mutex_, waiters_, &self);
    auto steadyDeadline = toSteady(deadline);
    while (true) {
        if (done()) return true;
        {
            std::lock_guard guard(mutex_);
            if (retired_) return false;
        }
        auto now = std::chrono::steady_clock::now();
        if (now >= steadyDeadline) return false;
        auto sliceEnd = steadyDeadline - now > kRealSlice ? now + kRealSlice : steadyDeadline;
        wake.wait_until(lock, sliceEnd);
    }
}

void RealClock::setRetired(bool retired) {
    std::lock_guard guard(mutex_);
    retired_ = retired;
    for (auto* waiter : waiters_) waiter->wake->notify_all();
}

// ---- ManualClock

Clock::TimePoint ManualClock::now() const {
    std::lock_guard guard(mutex_);
    return TimePoint(now_);
}

bool ManualClock::waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                            TimePoint deadline, const std::function<bool()>& done) {
    Waiter self{lock.mutex(), &wake};
    WaiterRegistration registration(mutex_, waiters_, &self);
    while (true) {
        if (done()) return true;
        {
            std::lock_guard guard(mutex_);
            if (retired_ || TimePoint(now_) >= deadline) return false;
        }
        wake.wait_for(lock, kManualSlice);
    }
}

void ManualClock::advance(Duration by) {
    std::lock_guard guard(mutex_);
    now_ += std::max(by, Duration{0});
    // Notifying under our lock keeps each waiter's condition variable alive: a waiter
    // unregisters under the same lock before its wait returns.
    for (auto* waiter : waiters_) waiter->wake->notify_all();
}

int ManualClock::waiterCount() const {
    std::lock_guard guard(mutex_);
    return static_cast<int>(waiters_.size());
}

void ManualClock::setRetired(bool retired) {
    std::lock_guard guard(mutex_);
    retired_ = retired;
    for (auto* waiter : waiters_) waiter->wake->notify_all();
}

// ---- ScopedClock

ScopedClock::ScopedClock(std::shared_ptr<Clock> clock) : previous_(Clock::currentShared()) {
    Clock::setCurrent(std::move(clock));
}

ScopedClock::~ScopedClock() { Clock::setCurrent(std::move(previous_)); }

}  // namespace platform::foundation
