#include "platform/foundation/MainQueue.h"

#include <chrono>
#include <memory>

#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/ClockDeadline.h"
#include "platform/foundation/Mutex.h"

namespace platform::foundation::detail {

namespace {
// How often runUntil looks at its predicate and the clock when no work arrives: the
// predicate may turn true through other threads without anything being queued.
constexpr auto kPollInterval = std::chrono::milliseconds(2);

struct RunningScope {
    explicit RunningScope(std::atomic<int>& depth) : depth_(depth) { ++depth_; }
    ~RunningScope() { --depth_; }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;
    std::atomic<int>& depth_;
};
}  // namespace

MainQueue& MainQueue::shared() {
    // Never destroyed: other threads may still post to it while the process exits.
    static auto* queue = new std::shared_ptr<MainQueue>(std::make_shared<MainQueue>());
    return **queue;
}

void MainQueue::async(Task task) {
    {
        MutexLock lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_all();
}

void MainQueue::sync(Task task) {
    if (isMainThread()) {
        runMarked(task);
        return;
    }
    Mutex doneMutex;
    ConditionVariable doneWake;
    bool done = false;
    async([&] {
        runMarked(task);
        MutexLock lock(doneMutex);
        done = true;
        doneWake.notify_one();
    });
    MutexLock lock(doneMutex);
    doneWake.wait(lock, [&]() TAVRO_REQUIRES(doneMutex) { return done; });
}

bool MainQueue::runOne() {
    Task task;
    {
        MutexLock lock(mutex_);
        if (tasks_.empty()) return false;
        task = std::move(tasks_.front());
        tasks_.pop_front();
    }
    runMarked(task);
    return true;
}

void MainQueue::run() {
    TAVRO_ASSERT_MAIN_THREAD();
    RunningScope scope(running_);
    for (;;) {
        Task task;
        {
            MutexLock lock(mutex_);
            wake_.wait(lock,
                       [&]() TAVRO_REQUIRES(mutex_) { return stopRequested_ || !tasks_.empty(); });
            if (stopRequested_) {
                stopRequested_ = false;
                return;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        runMarked(task);
    }
}

bool MainQueue::runUntil(const std::function<bool()>& done, Clock::Duration timeout) {
    TAVRO_ASSERT_MAIN_THREAD();
    RunningScope scope(running_);
    ClockDeadline deadline(timeout);
    for (;;) {
        if (done()) return true;
        if (runOne()) continue;
        if (deadline.passed()) return done();
        MutexLock lock(mutex_);
        wake_.wait_for(lock, kPollInterval,
                       [&]() TAVRO_REQUIRES(mutex_) { return !tasks_.empty(); });
    }
}

int MainQueue::drain() {
    TAVRO_ASSERT_MAIN_THREAD();
    size_t due = 0;
    {
        MutexLock lock(mutex_);
        due = tasks_.size();
    }
    // Only what was queued on entry: work that queues more work must not keep us here.
    int ran = 0;
    while (static_cast<size_t>(ran) < due && runOne()) ++ran;
    return ran;
}

void MainQueue::stop() {
    {
        MutexLock lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
}

}  // namespace platform::foundation::detail
