#include "platform/foundation/Dispatch.h"

#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/foundation/InvokeTask.h"
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SerialQueue.h"
#include "platform/foundation/WorkerPool.h"

namespace platform::foundation {

namespace {

// Static initialisation runs on the thread that runs main().
const std::thread::id gMainThread = std::this_thread::get_id();

// The queues whose work the calling thread is running, innermost first: a sync call runs
// its work on the caller's thread inside the caller's own work, so a thread may be on
// several queues at once.
struct Mark {
    const DispatchQueue* queue;
    const Mark* outer;
};
thread_local const Mark* tlInnermost = nullptr;

class GlobalQueue final : public DispatchQueue {
  public:
    GlobalQueue(std::string label, QualityOfService qos)
        : DispatchQueue(std::move(label)), qos_(qos) {}

    void async(Task task) override {
        // Global queues live for the whole process, so the job may refer to this one.
        detail::WorkerPool::shared().submit(qos_,
                                            [this, task = std::move(task)] { runMarked(task); });
    }
    // Concurrent: the work may run on the caller's thread right away (as GCD does).
    void sync(Task task) override { runMarked(task); }
    bool isSerial() const override { return false; }

  private:
    QualityOfService qos_;
};

}  // namespace

bool isMainThread() {
    return std::this_thread::get_id() == gMainThread;
}

void DispatchQueue::runMarked(const Task& task) {
    const Mark mark{this, tlInnermost};
    tlInnermost = &mark;
    detail::invokeTask(label_, task);
    tlInnermost = mark.outer;
}

bool DispatchQueue::isCurrent() const {
    // Main-queue work only ever runs on the main thread, and code on the main thread
    // outside any queue work counts as the main queue's (so a post from main() to a
    // main-queue observer runs inline instead of waiting for itself).
    if (this == &detail::MainQueue::shared()) return isMainThread();
    for (const Mark* mark = tlInnermost; mark != nullptr; mark = mark->outer) {
        if (mark->queue == this) return true;
    }
    return false;
}

DispatchQueue* DispatchQueue::current() {
    if (tlInnermost != nullptr) return const_cast<DispatchQueue*>(tlInnermost->queue);
    return isMainThread() ? &detail::MainQueue::shared() : nullptr;
}

void DispatchQueue::sync(Task task) {
    runMarked(task);
}

void DispatchQueue::asyncAfter(Clock::Duration delay, Task task) {
    detail::Scheduler::shared().after(delay, [queue = shared_from_this(), task = std::move(task)](
                                                 Clock::TimePoint) { queue->async(task); });
}

DispatchQueuePtr mainQueue() {
    return detail::MainQueue::shared().shared_from_this();
}

DispatchQueuePtr globalQueue(QualityOfService qos) {
    static const auto* queues = new std::array<DispatchQueuePtr, 5>{
        std::make_shared<GlobalQueue>("com.apple.root.background-qos",
                                      QualityOfService::Background),
        std::make_shared<GlobalQueue>("com.apple.root.utility-qos", QualityOfService::Utility),
        std::make_shared<GlobalQueue>("com.apple.root.default-qos", QualityOfService::Default),
        std::make_shared<GlobalQueue>("com.apple.root.user-initiated-qos",
                                      QualityOfService::UserInitiated),
        std::make_shared<GlobalQueue>("com.apple.root.user-interactive-qos",
                                      QualityOfService::UserInteractive),
    };
    return (*queues)[static_cast<size_t>(qos)];
}

DispatchQueuePtr makeSerialQueue(std::string label) {
    return std::make_shared<detail::SerialQueue>(std::move(label));
}

void MainLoop::run() {
    detail::MainQueue::shared().run();
}

bool MainLoop::runUntil(const std::function<bool()>& done, Clock::Duration timeout) {
    return detail::MainQueue::shared().runUntil(done, timeout);
}

int MainLoop::drain() {
    // The scheduler thread hands due work on asynchronously; let it finish first.
    detail::Scheduler::shared().waitUntilIdle();
    return detail::MainQueue::shared().drain();
}

void MainLoop::stop() {
    detail::MainQueue::shared().stop();
}

}  // namespace platform::foundation
