#include "platform/foundation/SerialQueue.h"

#include <memory>

#include "platform/foundation/Mutex.h"
#include "platform/foundation/WorkerPool.h"

namespace platform::foundation::detail {

namespace {
// After this many items a drain job gives its thread back, so that a busy queue does not
// keep a worker from other queues' work forever.
constexpr int kBatch = 64;
}  // namespace

void SerialQueue::async(Task task) {
    {
        MutexLock lock(mutex_);
        items_.push_back(Item{std::move(task), nullptr});
        if (held_) return;
        held_ = true;
    }
    submitDrain();
}

void SerialQueue::submitDrain() {
    // The job keeps the queue alive while it has work, like GCD's queues.
    auto self = std::static_pointer_cast<SerialQueue>(shared_from_this());
    WorkerPool::shared().submit(QualityOfService::Default, [self] { self->drain(); });
}

void SerialQueue::drain() {
    for (int ran = 0;; ++ran) {
        MutexLock lock(mutex_);
        if (items_.empty()) {
            held_ = false;
            return;
        }
        if (ran == kBatch) {
            lock.unlock();
            submitDrain();
            return;
        }
        Item item = std::move(items_.front());
        items_.pop_front();
        if (item.handoff != nullptr) {
            // The queue stays held; the sync caller releases it when done.
            item.handoff->isGranted = true;
            item.handoff->granted.notify_one();
            return;
        }
        lock.unlock();
        runMarked(item.task);
    }
}

void SerialQueue::sync(Task task) {
    if (isCurrent()) {
        runMarked(task);
        return;
    }
    {
        MutexLock lock(mutex_);
        if (held_) {
            Handoff handoff;
            items_.push_back(Item{nullptr, &handoff});
            handoff.granted.wait(lock, [&]() TAVRO_REQUIRES(mutex_) { return handoff.isGranted; });
        } else {
            held_ = true;
        }
    }
    runMarked(task);
    release();
}

void SerialQueue::release() {
    {
        MutexLock lock(mutex_);
        if (items_.empty()) {
            held_ = false;
            return;
        }
    }
    submitDrain();
}

}  // namespace platform::foundation::detail
