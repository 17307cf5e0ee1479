#include "platform/hid/RunLoopDelivery.h"

#include "platform/foundation/Mutex.h"

namespace platform::hid {

void RunLoopDelivery::schedule(foundation::RunLoop& loop) {
    foundation::MutexLock lock(mutex_);
    if (source_) source_->invalidate();
    source_ = std::make_unique<foundation::RunLoopSource>(loop);
    unscheduled_ = false;
    for (auto& task : waiting_) source_->signal(std::move(task));
    waiting_.clear();
}

void RunLoopDelivery::unschedule() {
    std::unique_ptr<foundation::RunLoopSource> source;
    {
        foundation::MutexLock lock(mutex_);
        source = std::move(source_);
        waiting_.clear();
        unscheduled_ = true;
    }
    if (source) source->invalidate();
}

bool RunLoopDelivery::deliver(foundation::Task task) {
    foundation::MutexLock lock(mutex_);
    if (source_) {
        source_->signal(std::move(task));
    } else if (!unscheduled_) {
        waiting_.push_back(std::move(task));
    } else {
        return false;
    }
    return true;
}

}  // namespace platform::hid
