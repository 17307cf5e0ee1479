#pragma once
// Carries a HID manager's callbacks to the run loop the manager is scheduled on. Work that
// arrives before the manager is scheduled waits and is delivered, in order, once it is;
// nothing is delivered after unscheduling. Thread-safe.

#include <memory>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "platform/foundation/RunLoop.h"

namespace platform::hid {

class RunLoopDelivery {
  public:
    void schedule(foundation::RunLoop& loop);
    void unschedule();
    // False when the task is dropped because the manager was unscheduled.
    bool deliver(foundation::Task task);

  private:
    foundation::Mutex mutex_;
    std::unique_ptr<foundation::RunLoopSource> source_ TAVRO_GUARDED_BY(mutex_);
    std::vector<foundation::Task> waiting_ TAVRO_GUARDED_BY(mutex_);
    bool unscheduled_ TAVRO_GUARDED_BY(mutex_) = false;
};

}  // namespace platform::hid
