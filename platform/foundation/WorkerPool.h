#pragma once
// The threads behind the global and serial dispatch queues. A job submitted when no worker
// is free gets a new worker at once, so work that blocks for seconds (the application
// sleeps on global queues) never holds up other work; idle workers linger a while for the
// next job and then end. Higher qualities of service are taken first.
//
// submit() is thread-safe; jobs run on pool threads. The pool lives for the whole process
// (it is never destroyed, so workers still running at exit touch no destroyed state).

#include <array>
#include <deque>
#include <functional>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Mutex.h"

namespace platform::foundation::detail {

class WorkerPool {
  public:
    static WorkerPool& shared();

    void submit(QualityOfService qos, std::function<void()> job);

    // Beyond this many threads jobs wait for a free worker instead of getting a new one.
    static constexpr int kMaxThreads = 512;

  private:
    WorkerPool() = default;
    void workerMain();
    bool takeJob(std::function<void()>& job) TAVRO_REQUIRES(mutex_);
    size_t queuedCount() const TAVRO_REQUIRES(mutex_);

    static constexpr int kLevels = 5;
    mutable Mutex mutex_;
    ConditionVariable wake_;
    std::array<std::deque<std::function<void()>>, kLevels> jobs_ TAVRO_GUARDED_BY(mutex_);
    int threads_ TAVRO_GUARDED_BY(mutex_) = 0;
    int idle_ TAVRO_GUARDED_BY(mutex_) = 0;      // workers waiting for a job
    int starting_ TAVRO_GUARDED_BY(mutex_) = 0;  // workers spawned that have not yet looked
};

}  // namespace platform::foundation::detail
