#include "platform/foundation/Clock.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/foundation/Mutex.h"

namespace platform::foundation {

namespace {

// A single real-time wait never reaches further than this; the loop around it re-checks,
// which keeps a "forever" deadline away from the overflow edge of the steady clock.
constexpr auto kLongestRealWait = std::chrono::hours(24);

struct Registry {
    Mutex mutex;
    std::shared_ptr<Clock> clock TAVRO_GUARDED_BY(mutex) = std::make_shared<RealClock>();
    std::vector<std::function<void()>> listeners TAVRO_GUARDED_BY(mutex);
};

Registry& registry() {
    static Registry* instance = new Registry;  // outlives every static user
    return *instance;
}

}  // namespace

bool Clock::waitUntil(Mutex& mutex, ConditionVariable& wake, TimePoint deadline,
                      const std::function<bool()>& done) {
    // The waiter list is changed without the caller's mutex held: a waker holds the list's
    // lock while it takes each waiter's mutex, so taking them the other way round here
    // could deadlock.
    Waiter self{&mutex, &wake};
    mutex.unlock();
    {
        MutexLock guard(waitersMutex_);
        waiters_.push_back(&self);
    }
    mutex.lock();
    bool result = false;
    while (true) {
        result = done();
        if (result || retired_.load() || !blockUntil(mutex, wake, deadline)) break;
    }
    mutex.unlock();
    {
        // After this no waker touches our mutex or condition variable any more.
        MutexLock guard(waitersMutex_);
        waiters_.erase(std::find(waiters_.begin(), waiters_.end(), &self));
    }
    mutex.lock();
    return result;
}

void Clock::changeAndWake(const std::function<void()>& change) {
    MutexLock guard(waitersMutex_);
    change();
    for (auto* waiter : waiters_) {
        MutexLock waiterGuard(*waiter->mutex);
        waiter->wake->notify_all();
    }
}

int Clock::registeredWaiters() const {
    MutexLock guard(waitersMutex_);
    return static_cast<int>(waiters_.size());
}

void Clock::setRetired(bool retired) {
    changeAndWake([&] { retired_.store(retired); });
}

void Clock::sleepFor(Duration length) {
    Mutex mutex;
    ConditionVariable wake;
    MutexLock lock(mutex);
    waitUntil(mutex, wake, later(now(), length), [] { return false; });
}

Clock::Duration Clock::fromSeconds(double seconds) {
    if (!(seconds > 0)) return Duration{0};
    double nanos = seconds * 1e9;
    if (nanos >= 9.2e18) return Duration::max();
    return Duration{static_cast<Duration::rep>(std::llround(nanos))};
}

Clock::TimePoint Clock::later(TimePoint point, Duration length) {
    const auto base = point.time_since_epoch().count();
    const auto step = length.count();
    if (step > 0 && base > Duration::max().count() - step) return TimePoint::max();
    if (step < 0 && base < Duration::min().count() - step) return TimePoint::min();
    return point + length;
}

double Clock::toSeconds(Duration length) {
    return static_cast<double>(length.count()) / 1e9;
}

ClockRef Clock::current() {
    return ClockRef(currentShared());
}

std::shared_ptr<Clock> Clock::currentShared() {
    auto& state = registry();
    MutexLock guard(state.mutex);
    return state.clock;
}

void Clock::setCurrent(std::shared_ptr<Clock> clock) {
    auto& state = registry();
    if (!clock) clock = std::make_shared<RealClock>();
    clock->setRetired(false);
    std::shared_ptr<Clock> previous;
    std::vector<std::function<void()>> listeners;
    {
        MutexLock guard(state.mutex);
        previous = std::exchange(state.clock, clock);
        listeners = state.listeners;
    }
    if (previous && previous != clock) previous->setRetired(true);
    for (auto& listener : listeners) listener();
}

void Clock::addChangeListener(std::function<void()> listener) {
    auto& state = registry();
    MutexLock guard(state.mutex);
    state.listeners.push_back(std::move(listener));
}

// ---- RealClock

RealClock::RealClock(double speed)
    : speed_(speed > 0 && std::isfinite(speed) ? speed : 1.0),
      start_(std::chrono::steady_clock::now()) {}

Clock::TimePoint RealClock::now() const {
    auto elapsed = std::chrono::steady_clock::now() - start_;
    auto scaled = std::chrono::duration<double, std::nano>(elapsed) * speed_;
    return TimePoint(std::chrono::duration_cast<Duration>(scaled));
}

std::chrono::steady_clock::time_point RealClock::toSteady(TimePoint point) const {
    const double real = static_cast<double>(point.time_since_epoch().count()) / speed_;
    const auto longest = std::chrono::steady_clock::duration(kLongestRealWait).count() * 1e3;
    if (!(real < longest)) return std::chrono::steady_clock::time_point::max();
    return start_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double, std::nano>(real));
}

bool RealClock::blockUntil(Mutex& mutex, ConditionVariable& wake, TimePoint deadline) {
    const auto steadyNow = std::chrono::steady_clock::now();
    const auto steadyDeadline = toSteady(deadline);
    if (steadyNow >= steadyDeadline) return false;
    const auto limit = steadyNow + kLongestRealWait;
    wake.wait_until(mutex, steadyDeadline < limit ? steadyDeadline : limit);
    return true;
}

// ---- ManualClock

Clock::TimePoint ManualClock::now() const {
    return TimePoint(Duration{now_.load()});
}

bool ManualClock::blockUntil(Mutex& mutex, ConditionVariable& wake, TimePoint deadline) {
    if (now() >= deadline) return false;
    wake.wait(mutex);
    return true;
}

void ManualClock::advance(Duration by) {
    changeAndWake([&] {
        const auto step = std::max(by, Duration{0}).count();
        const auto current = now_.load();
        const auto room = Duration::max().count() - current;
        now_.store(step > room ? Duration::max().count() : current + step);
    });
}

// ---- ScopedClock

ScopedClock::ScopedClock(std::shared_ptr<Clock> clock) : previous_(Clock::currentShared()) {
    Clock::setCurrent(std::move(clock));
}

ScopedClock::~ScopedClock() {
    Clock::setCurrent(std::move(previous_));
}

}  // namespace platform::foundation
