#include "platform/foundation/OperationQueue.h"

#include <chrono>

#include "platform/foundation/Assert.h"
#include "platform/foundation/InvokeTask.h"
#include "platform/foundation/Mutex.h"

namespace platform::foundation {

namespace {
// The operation queues whose operations the calling thread is running, innermost first.
// Kept apart from the dispatch marks because a queue with several operations at a time
// runs on a global dispatch queue that it shares with other work.
struct Mark {
    const void* queue;
    const Mark* outer;
};
thread_local const Mark* tlInnermost = nullptr;
}  // namespace

struct OperationQueue::State {
    Mutex mutex;
    ConditionVariable finished;
    int outstanding TAVRO_GUARDED_BY(mutex) = 0;
    bool isMain = false;

    void run(const Task& task, const std::string& name) {
        const Mark mark{this, tlInnermost};
        tlInnermost = &mark;
        detail::invokeTask(name, task);
        tlInnermost = mark.outer;
    }
    bool isCurrent() const {
        for (const Mark* mark = tlInnermost; mark != nullptr; mark = mark->outer) {
            if (mark->queue == this) return true;
        }
        return false;
    }
};

OperationQueue::OperationQueue(std::string name, DispatchQueuePtr queue)
    : name_(std::move(name)), queue_(std::move(queue)), state_(std::make_shared<State>()) {}

OperationQueue::~OperationQueue() = default;

std::shared_ptr<OperationQueue> OperationQueue::main() {
    static const auto* queue = new std::shared_ptr<OperationQueue>([] {
        std::shared_ptr<OperationQueue> created(
            new OperationQueue("NSOperationQueue Main Queue", mainQueue()));
        created->state_->isMain = true;
        return created;
    }());
    return *queue;
}

std::shared_ptr<OperationQueue> OperationQueue::make(std::string name, int maxConcurrent) {
    // Several at a time: the global queue's width is not limited, which no caller needs.
    auto queue = maxConcurrent > 1 ? globalQueue(QualityOfService::Default)
                                   : makeSerialQueue(name.empty() ? "NSOperationQueue" : name);
    return std::shared_ptr<OperationQueue>(new OperationQueue(std::move(name), queue));
}

void OperationQueue::addOperation(Task task) {
    {
        MutexLock lock(state_->mutex);
        ++state_->outstanding;
    }
    queue_->async([state = state_, name = name_, task = std::move(task)] {
        state->run(task, name);
        {
            MutexLock lock(state->mutex);
            --state->outstanding;
        }
        state->finished.notify_all();
    });
}

void OperationQueue::addOperationAndWait(Task task) {
    if (isCurrent()) {
        state_->run(task, name_);
        return;
    }
    // sync() runs it on this queue (inline where GCD would) and returns when it is done.
    queue_->sync([&] { state_->run(task, name_); });
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
    if (state_->isMain && isMainThread()) {
        // Only this thread can run them: run the main loop until they are through.
        MainLoop::runUntil(
            [&] {
                MutexLock lock(state_->mutex);
                return state_->outstanding == 0;
            },
            std::chrono::hours(24 * 365));
        return;
    }
    TAVRO_ASSERT(!isCurrent(), "an operation cannot wait for its own queue to finish");
    MutexLock lock(state_->mutex);
    state_->finished.wait(lock,
                          [&]() TAVRO_REQUIRES(state_->mutex) { return state_->outstanding == 0; });
}

bool OperationQueue::isCurrent() const {
    if (state_->isMain) return isMainThread();
    return state_->isCurrent();
}

}  // namespace platform::foundation
