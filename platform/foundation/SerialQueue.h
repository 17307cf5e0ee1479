#pragma once
// A serial dispatch queue: its work runs one item at a time, in submission order, on pool
// threads. sync() from outside waits for the queue's turn and then runs the work on the
// calling thread with the queue held (as GCD does), so a thread that holds several queues
// through nested sync calls counts as being on each of them. Thread-safe.

#include <deque>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Mutex.h"

namespace platform::foundation::detail {

class SerialQueue final : public DispatchQueue {
  public:
    explicit SerialQueue(std::string label) : DispatchQueue(std::move(label)) {}

    void async(Task task) override;
    void sync(Task task) override;
    bool isSerial() const override { return true; }

  private:
    // A sync caller waiting in line: the drainer hands the queue to it when its turn comes.
    struct Handoff {
        ConditionVariable granted;
        bool isGranted = false;  // under the queue's mutex_
    };
    struct Item {
        Task task;
        Handoff* handoff = nullptr;
    };

    void submitDrain();
    void drain();
    void release();

    Mutex mutex_;
    std::deque<Item> items_ TAVRO_GUARDED_BY(mutex_);
    // Someone (a drain job or a sync caller) holds the queue; items_ non-empty implies it.
    bool held_ TAVRO_GUARDED_BY(mutex_) = false;
};

}  // namespace platform::foundation::detail
