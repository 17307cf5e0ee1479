// Timer sources. A firing goes scheduler thread -> target queue -> handler; the next
// deadline is set only when the handler has returned, on the grid of the first deadline
// (start + k * interval), so firings never overlap, never drift, and ticks missed while a
// handler was slow coalesce into a single firing as soon as it returns.
//
// Lifetime follows GCD: a resumed, uncancelled timer is kept alive by its pending firing,
// so it goes on firing after the caller has dropped its last reference; cancel() ends it
// and releases the handlers (which breaks cycles through handlers that capture the timer).

#include <atomic>

#include "platform/foundation/Assert.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/InvokeTask.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/Scheduler.h"

namespace platform::foundation {

using detail::Scheduler;

struct DispatchTimer::State : std::enable_shared_from_this<DispatchTimer::State> {
    explicit State(DispatchQueuePtr target) : queue(std::move(target)) {}

    void setTimer(Clock::Duration start, Clock::Duration interval);
    void setEventHandler(Task task);
    void setCancelHandler(Task task);
    void resume();
    void cancel();

  private:
    // Schedules the first deadline when the timer is ready for it.
    void arm() TAVRO_REQUIRES(mutex);
    Scheduler::Fire makeFire(uint64_t armedGeneration);
    void onDue(uint64_t armedGeneration, Clock::TimePoint due);
    void runFiring(uint64_t armedGeneration, Clock::TimePoint due);
    // What follows a firing: the next tick, or the cancel handler, which it returns for the
    // caller to run once it has let go of the lock.
    Task afterFiring(uint64_t armedGeneration, Clock::TimePoint due) TAVRO_REQUIRES(mutex);

  public:
    const DispatchQueuePtr queue;
    std::atomic<bool> cancelled{false};

  private:
    Mutex mutex;
    // Shared so that a running firing outlives its reset.
    std::shared_ptr<Task> handler TAVRO_GUARDED_BY(mutex);
    Task cancelHandler TAVRO_GUARDED_BY(mutex);
    bool configured TAVRO_GUARDED_BY(mutex) = false;
    bool resumed TAVRO_GUARDED_BY(mutex) = false;
    Clock::TimePoint firstDeadline TAVRO_GUARDED_BY(mutex){};
    Clock::Duration interval TAVRO_GUARDED_BY(mutex){0};
    // Bumped by setTimer and cancel; a firing armed under another generation is stale.
    uint64_t generation TAVRO_GUARDED_BY(mutex) = 0;
    Scheduler::EntryId entry TAVRO_GUARDED_BY(mutex) = 0;
    bool firing TAVRO_GUARDED_BY(mutex) = false;  // handed to the queue and not yet finished
    bool cancelHandlerDue TAVRO_GUARDED_BY(mutex) = false;
};

void DispatchTimer::State::setTimer(Clock::Duration start, Clock::Duration newInterval) {
    const auto now = Scheduler::shared().now();
    MutexLock lock(mutex);
    if (cancelled) return;
    firstDeadline = Clock::later(now, start);
    interval = newInterval > Clock::Duration{0} ? newInterval : Clock::Duration{0};
    configured = true;
    ++generation;
    if (entry != 0) {
        Scheduler::shared().cancel(entry);
        entry = 0;
    }
    arm();
}

void DispatchTimer::State::setEventHandler(Task task) {
    auto replacement = std::make_shared<Task>(std::move(task));
    MutexLock lock(mutex);
    if (cancelled) return;
    handler.swap(replacement);
    lock.unlock();  // the old handler's captures are destroyed without the lock
}

void DispatchTimer::State::setCancelHandler(Task task) {
    MutexLock lock(mutex);
    if (cancelled) return;
    cancelHandler.swap(task);
    lock.unlock();
}

void DispatchTimer::State::resume() {
    MutexLock lock(mutex);
    if (resumed || cancelled) return;
    resumed = true;
    arm();
}

void DispatchTimer::State::cancel() {
    std::shared_ptr<Task> droppedHandler;
    Task runNow;
    {
        MutexLock lock(mutex);
        if (cancelled) return;
        cancelled = true;
        ++generation;
        if (entry != 0) {
            Scheduler::shared().cancel(entry);
            entry = 0;
        }
        droppedHandler = std::move(handler);
        handler = nullptr;
        // GCD runs the cancel handler after the event handler has returned.
        if (firing) {
            cancelHandlerDue = true;
        } else {
            runNow = std::move(cancelHandler);
            cancelHandler = nullptr;
        }
    }
    if (runNow) queue->async(std::move(runNow));
}

void DispatchTimer::State::arm() {
    if (!configured || !resumed || cancelled || firing || entry != 0) return;
    entry = Scheduler::shared().at(firstDeadline, makeFire(generation), interval);
}

Scheduler::Fire DispatchTimer::State::makeFire(uint64_t armedGeneration) {
    return [self = shared_from_this(), armedGeneration](Clock::TimePoint due) {
        self->onDue(armedGeneration, due);
    };
}

void DispatchTimer::State::onDue(uint64_t armedGeneration, Clock::TimePoint due) {
    {
        MutexLock lock(mutex);
        if (cancelled || armedGeneration != generation) return;
        entry = 0;
        firing = true;
    }
    queue->async([self = shared_from_this(), armedGeneration, due] {
        self->runFiring(armedGeneration, due);
    });
}

void DispatchTimer::State::runFiring(uint64_t armedGeneration, Clock::TimePoint due) {
    MutexLock lock(mutex);
    if (!cancelled && armedGeneration == generation) {
        auto running = handler;
        lock.unlock();
        if (running && *running) detail::invokeTask(queue->label(), *running);
        running.reset();
        lock.lock();
    }
    Task last = afterFiring(armedGeneration, due);
    lock.unlock();
    // Already on the queue, after the last event handler: run it right here.
    if (last) detail::invokeTask(queue->label(), last);
}

Task DispatchTimer::State::afterFiring(uint64_t armedGeneration, Clock::TimePoint due) {
    firing = false;
    if (cancelled) {
        if (!cancelHandlerDue) return nullptr;
        cancelHandlerDue = false;
        Task last = std::move(cancelHandler);
        cancelHandler = nullptr;
        return last;
    }
    if (armedGeneration != generation) {
        arm();  // setTimer came during the firing
        return nullptr;
    }
    if (interval > Clock::Duration{0}) {
        entry = Scheduler::shared().nextTick(due, interval, makeFire(generation));
    }
    return nullptr;
}

std::shared_ptr<DispatchTimer> DispatchTimer::make(DispatchQueuePtr queue) {
    TAVRO_ASSERT(queue, "a timer needs a target queue");
    return std::shared_ptr<DispatchTimer>(new DispatchTimer(std::move(queue)));
}

DispatchTimer::DispatchTimer(DispatchQueuePtr queue)
    : state_(std::make_shared<State>(std::move(queue))) {}

// Deliberately no cancel: see the note at the top of this file.
DispatchTimer::~DispatchTimer() = default;

void DispatchTimer::setTimer(Clock::Duration start, Clock::Duration interval,
                             Clock::Duration /*leeway*/) {
    // Leeway only allows lateness; firing on the deadline itself always satisfies it.
    state_->setTimer(start, interval);
}

void DispatchTimer::setEventHandler(Task handler) {
    state_->setEventHandler(std::move(handler));
}

void DispatchTimer::setCancelHandler(Task handler) {
    state_->setCancelHandler(std::move(handler));
}

void DispatchTimer::resume() {
    state_->resume();
}

void DispatchTimer::cancel() {
    state_->cancel();
}

bool DispatchTimer::isCancelled() const {
    return state_->cancelled.load();
}

}  // namespace platform::foundation
