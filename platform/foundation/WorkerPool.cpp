#include "platform/foundation/WorkerPool.h"

#include <chrono>
#include <thread>

#include "platform/foundation/InvokeTask.h"
#include "platform/foundation/Mutex.h"

namespace platform::foundation::detail {

namespace {
// Real time, not clock time: how long a spare thread is kept is a resource matter, and
// a manual clock that never moves must not pin threads forever.
constexpr auto kLinger = std::chrono::seconds(5);
}  // namespace

WorkerPool& WorkerPool::shared() {
    static WorkerPool* pool = new WorkerPool;
    return *pool;
}

void WorkerPool::submit(QualityOfService qos, std::function<void()> job) {
    bool spawn = false;
    {
        MutexLock lock(mutex_);
        jobs_[static_cast<size_t>(qos)].push_back(std::move(job));
        // Every queued job needs a worker of its own that is idle or about to look for
        // work; otherwise it may wait behind a job that blocks.
        if (queuedCount() > static_cast<size_t>(idle_ + starting_) && threads_ < kMaxThreads) {
            ++threads_;
            ++starting_;
            spawn = true;
        }
    }
    if (spawn) {
        std::thread([this] { workerMain(); }).detach();
    } else {
        wake_.notify_one();
    }
}

size_t WorkerPool::queuedCount() const {
    size_t count = 0;
    for (const auto& level : jobs_) count += level.size();
    return count;
}

bool WorkerPool::takeJob(std::function<void()>& job) {
    for (auto level = jobs_.rbegin(); level != jobs_.rend(); ++level) {
        if (!level->empty()) {
            job = std::move(level->front());
            level->pop_front();
            return true;
        }
    }
    return false;
}

void WorkerPool::workerMain() {
    MutexLock lock(mutex_);
    --starting_;
    for (;;) {
        std::function<void()> job;
        if (!takeJob(job)) {
            ++idle_;
            const bool got = wake_.wait_for(lock, kLinger,
                                            [&]() TAVRO_REQUIRES(mutex_) { return takeJob(job); });
            --idle_;
            if (!got) {
                --threads_;
                return;
            }
        }
        lock.unlock();
        invokeTask("worker pool", job);
        job = nullptr;  // captured state is released outside the pool's lock
        lock.lock();
    }
}

}  // namespace platform::foundation::detail
