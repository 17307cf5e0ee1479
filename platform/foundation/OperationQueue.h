#pragma once
// NSOperationQueue stand-in: the main operation queue (its operations run on the main
// queue) and private queues (serial unless given a larger concurrency). Used by
// notification observers. Thread-safe.

#include <memory>
#include <string>

#include "platform/foundation/Dispatch.h"

namespace platform::foundation {

class OperationQueue {
  public:
    static std::shared_ptr<OperationQueue> main();
    static std::shared_ptr<OperationQueue> make(std::string name = {}, int maxConcurrent = 1);

    void addOperation(Task task);
    // Runs `task` on this queue and waits for it; inline when the caller already runs an
    // operation of this queue.
    void addOperationAndWait(Task task);
    void waitUntilAllOperationsAreFinished();
    bool isCurrent() const;
    const std::string& name() const { return name_; }

    ~OperationQueue();

  private:
    OperationQueue(std::string name, DispatchQueuePtr queue);
    struct State;
    std::string name_;
    DispatchQueuePtr queue_;
    std::shared_ptr<State> state_;
};

using OperationQueuePtr = std::shared_ptr<OperationQueue>;

}  // namespace platform::foundation
