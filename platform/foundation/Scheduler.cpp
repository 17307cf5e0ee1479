#include "platform/foundation/Scheduler.h"

#include <chrono>
#include <utility>
#include <vector>

#include "platform/foundation/Mutex.h"

namespace platform::foundation::detail {

namespace {
// The thread re-reads the clock at least this often (in clock time) even with nothing
// due, which keeps deadline arithmetic far from overflow.
constexpr Clock::Duration kLongestWait = std::chrono::hours(1);
}  // namespace

Scheduler& Scheduler::shared() {
    // Never destroyed: the thread runs until the process ends.
    static Scheduler* scheduler = new Scheduler;
    return *scheduler;
}

Scheduler::Scheduler() {
    // Deadlines move to a new clock only here, right when it is installed (listeners run
    // on the installing thread), keeping exactly the delays that remained at that moment.
    // Adopting a clock anywhere else could adopt one that a concurrent install has just
    // replaced, and then wait on the wrong clock.
    Clock::addChangeListener([this] {
        auto clock = Clock::currentShared();
        MutexLock lock(mutex_);
        adoptClock(clock);
        ++clockChanges_;
        wake_.notify_all();
    });
    {
        auto clock = Clock::currentShared();
        MutexLock lock(mutex_);
        if (!clock_) clock_ = std::move(clock);
    }
    std::thread([this] { threadMain(); }).detach();
}

Scheduler::EntryId Scheduler::after(Clock::Duration delay, Fire fire) {
    MutexLock lock(mutex_);
    return insert(Clock::later(clock_->now(), delay), Clock::Duration{0}, std::move(fire));
}

Scheduler::EntryId Scheduler::at(Clock::TimePoint deadline, Fire fire, Clock::Duration interval) {
    MutexLock lock(mutex_);
    return insert(deadline, interval, std::move(fire));
}

Scheduler::EntryId Scheduler::nextTick(Clock::TimePoint previous, Clock::Duration interval,
                                       Fire fire) {
    MutexLock lock(mutex_);
    const auto now = clock_->now();
    auto next = Clock::later(previous, interval);
    if (next <= now) {
        next = previous + ((now - previous) / interval) * interval;
    } else if (const auto latest = Clock::later(now, interval); next > latest) {
        next = latest;
    }
    return insert(next, interval, std::move(fire));
}

Scheduler::EntryId Scheduler::insert(Clock::TimePoint deadline, Clock::Duration interval,
                                     Fire fire) {
    const EntryId id = nextId_++;
    const bool first = entries_.empty() || deadline < entries_.begin()->first.deadline;
    entries_.emplace(Key{deadline, id}, Entry{interval, std::move(fire)});
    deadlines_.emplace(id, deadline);
    if (first) wake_.notify_all();
    return id;
}

void Scheduler::cancel(EntryId id) {
    Fire dropped;  // destroyed after the lock is released: it may own a timer
    MutexLock lock(mutex_);
    auto found = deadlines_.find(id);
    if (found == deadlines_.end()) return;
    auto entry = entries_.find(Key{found->second, id});
    dropped = std::move(entry->second.fire);
    entries_.erase(entry);
    deadlines_.erase(found);
    // The entry may have been the due one an idle wait was waiting for; the thread, with
    // nothing left to hand on, would not say so itself.
    idle_.notify_all();
}

Clock::TimePoint Scheduler::now() {
    MutexLock lock(mutex_);
    return clock_->now();
}

void Scheduler::adoptClock(const std::shared_ptr<Clock>& clock) {
    if (clock_ == clock) return;
    if (clock_ && !entries_.empty()) {
        const auto shift = clock->now() - clock_->now();
        std::map<Key, Entry> moved;
        for (auto& [key, entry] : entries_) {
            // A deadline that never comes stays so on the new clock.
            const Key shifted{key.deadline == Clock::TimePoint::max()
                                  ? key.deadline
                                  : Clock::later(key.deadline, shift),
                              key.id};
            moved.emplace_hint(moved.end(), shifted, std::move(entry));
            deadlines_[key.id] = shifted.deadline;
        }
        entries_ = std::move(moved);
    }
    clock_ = clock;
}

void Scheduler::waitUntilIdle() {
    MutexLock lock(mutex_);
    idle_.wait(lock, [&]() TAVRO_REQUIRES(mutex_) {
        return !handing_ && (entries_.empty() || entries_.begin()->first.deadline > clock_->now());
    });
}

void Scheduler::threadMain() {
    MutexLock lock(mutex_);
    for (;;) {
        const auto now = clock_->now();
        if (!entries_.empty() && entries_.begin()->first.deadline <= now) {
            std::vector<std::pair<Fire, Clock::TimePoint>> due;
            while (!entries_.empty() && entries_.begin()->first.deadline <= now) {
                auto node = entries_.extract(entries_.begin());
                auto at = node.key().deadline;
                const auto interval = node.mapped().interval;
                if (interval > Clock::Duration{0}) at += ((now - at) / interval) * interval;
                deadlines_.erase(node.key().id);
                due.emplace_back(std::move(node.mapped().fire), at);
            }
            handing_ = true;
            lock.unlock();
            for (auto& [fire, at] : due) fire(at);
            due.clear();
            lock.lock();
            handing_ = false;
            continue;
        }
        idle_.notify_all();
        const auto changes = clockChanges_;
        if (entries_.empty()) {
            // Nothing timed: no need to sleep on the clock (where a test counting a manual
            // clock's sleepers would count us too).
            wake_.wait(lock, [&]() TAVRO_REQUIRES(mutex_) {
                return !entries_.empty() || clockChanges_ != changes;
            });
            continue;
        }
        auto deadline = now + kLongestWait;
        if (entries_.begin()->first.deadline < deadline) {
            deadline = entries_.begin()->first.deadline;
        }
        // A local reference: another thread may install a newer clock in clock_ meanwhile.
        const auto waitClock = clock_;
        const bool woken =
            waitClock->waitUntil(mutex_, wake_, deadline, [&]() TAVRO_REQUIRES(mutex_) {
                return clockChanges_ != changes ||
                       (!entries_.empty() && entries_.begin()->first.deadline < deadline);
            });
        if (!woken && waitClock->now() < deadline) {
            // The clock has been retired and returns at once; its replacement's listener
            // needs our lock to move the deadlines over, so wait for it without the lock
            // instead of spinning with it.
            wake_.wait_for(lock, std::chrono::milliseconds(1),
                           [&]() TAVRO_REQUIRES(mutex_) { return clockChanges_ != changes; });
        }
    }
}

}  // namespace platform::foundation::detail
