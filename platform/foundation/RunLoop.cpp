#include "platform/foundation/RunLoop.h"

#include <chrono>
#include <deque>
#include <thread>

#include "platform/foundation/Assert.h"
#include "platform/foundation/ClockDeadline.h"
#include "platform/foundation/InvokeTask.h"
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/Scheduler.h"

namespace platform::foundation {

namespace {
// How often runUntil looks at its predicate and the clock when no work arrives.
constexpr auto kPollInterval = std::chrono::milliseconds(2);
}  // namespace

// Owned by the thread's RunLoop object; performs and sources reach it weakly, so work sent
// to a thread that has ended is dropped.
struct RunLoop::State {
    Mutex mutex;
    ConditionVariable wake;
    std::deque<Task> tasks TAVRO_GUARDED_BY(mutex);
    bool stopRequested TAVRO_GUARDED_BY(mutex) = false;
    std::atomic<int> running{0};
    const std::thread::id owner = std::this_thread::get_id();

    void push(Task task) {
        {
            MutexLock lock(mutex);
            tasks.push_back(std::move(task));
        }
        wake.notify_all();
    }

    bool runOne() {
        Task task;
        {
            MutexLock lock(mutex);
            if (tasks.empty()) return false;
            task = std::move(tasks.front());
            tasks.pop_front();
        }
        detail::invokeTask("run loop", task);
        return true;
    }
};

RunLoop::RunLoop() : state_(std::make_shared<State>()) {}

RunLoop::~RunLoop() = default;

RunLoop& RunLoop::current() {
    if (isMainThread()) return main();
    thread_local std::unique_ptr<RunLoop> loop(new RunLoop);
    return *loop;
}

RunLoop& RunLoop::main() {
    static RunLoop* loop = [] {
        auto* created = new RunLoop;
        created->isMain_ = true;
        return created;
    }();
    return *loop;
}

std::function<void(Task)> RunLoop::poster() const {
    if (isMain_) return [](Task task) { detail::MainQueue::shared().async(std::move(task)); };
    // Weak: queued work may own a source that owns this poster, and the state must end
    // with its thread rather than keep itself alive through such a cycle.
    return [weak = std::weak_ptr<State>(state_)](Task task) {
        if (auto state = weak.lock()) state->push(std::move(task));
    };
}

void RunLoop::run() {
    if (isMain_) {
        MainLoop::run();
        return;
    }
    TAVRO_ASSERT(std::this_thread::get_id() == state_->owner, "a run loop runs on its own thread");
    ++state_->running;
    for (;;) {
        Task task;
        {
            MutexLock lock(state_->mutex);
            state_->wake.wait(lock, [&]() TAVRO_REQUIRES(state_->mutex) {
                return state_->stopRequested || !state_->tasks.empty();
            });
            if (state_->stopRequested) {
                state_->stopRequested = false;
                break;
            }
            task = std::move(state_->tasks.front());
            state_->tasks.pop_front();
        }
        detail::invokeTask("run loop", task);
    }
    --state_->running;
}

bool RunLoop::runUntil(const std::function<bool()>& done, Clock::Duration timeout) {
    if (isMain_) return MainLoop::runUntil(done, timeout);
    TAVRO_ASSERT(std::this_thread::get_id() == state_->owner, "a run loop runs on its own thread");
    ++state_->running;
    detail::ClockDeadline deadline(timeout);
    bool result = false;
    for (;;) {
        if (done()) {
            result = true;
            break;
        }
        if (state_->runOne()) continue;
        if (deadline.passed()) {
            result = done();
            break;
        }
        MutexLock lock(state_->mutex);
        state_->wake.wait_for(lock, kPollInterval, [&]() TAVRO_REQUIRES(state_->mutex) {
            return !state_->tasks.empty();
        });
    }
    --state_->running;
    return result;
}

void RunLoop::stop() {
    if (isMain_) {
        MainLoop::stop();
        return;
    }
    // Our own reference: once it sees the stop the loop's thread may end, and with it
    // the RunLoop object and (without ours) the state.
    const auto state = state_;
    MutexLock lock(state->mutex);
    state->stopRequested = true;
    state->wake.notify_all();
}

bool RunLoop::isRunning() const {
    if (isMain_) return detail::MainQueue::shared().isRunning();
    return state_->running.load() > 0;
}

void RunLoop::perform(Task task) {
    poster()(std::move(task));
}

void RunLoop::performAfter(Clock::Duration delay, Task task) {
    detail::Scheduler::shared().after(
        delay, [post = poster(), task = std::move(task)](Clock::TimePoint) { post(task); });
}

struct RunLoopSource::State {
    explicit State(std::function<void(Task)> toLoop) : post(std::move(toLoop)) {}

    void deliver(const Task& event) {
        {
            MutexLock lock(mutex);
            if (!valid) return;
            delivering = true;
            deliverer = std::this_thread::get_id();
        }
        detail::invokeTask("run loop source", event);
        {
            MutexLock lock(mutex);
            delivering = false;
        }
        idle.notify_all();
    }

    const std::function<void(Task)> post;
    Mutex mutex;
    ConditionVariable idle;
    bool valid TAVRO_GUARDED_BY(mutex) = true;
    bool delivering TAVRO_GUARDED_BY(mutex) = false;
    std::thread::id deliverer TAVRO_GUARDED_BY(mutex);
};

RunLoopSource::RunLoopSource(RunLoop& loop) : loop_(loop) {
    // The source keeps only the loop's queue: the RunLoop object ends with its thread.
    state_ = std::make_shared<State>(loop_.poster());
}

RunLoopSource::~RunLoopSource() {
    invalidate();
}

void RunLoopSource::signal(Task event) {
    {
        MutexLock lock(state_->mutex);
        if (!state_->valid) return;
    }
    state_->post([state = state_, event = std::move(event)] { state->deliver(event); });
}

void RunLoopSource::invalidate() {
    MutexLock lock(state_->mutex);
    state_->valid = false;
    if (state_->delivering && state_->deliverer != std::this_thread::get_id()) {
        state_->idle.wait(lock,
                          [&]() TAVRO_REQUIRES(state_->mutex) { return !state_->delivering; });
    }
}

}  // namespace platform::foundation
