#pragma once
// The main queue: work for the main thread, drained by MainLoop (and by RunLoop::main())
// on the main thread only. async() is thread-safe; the drain operations are main-thread
// only.

#include <atomic>
#include <deque>
#include <functional>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Mutex.h"

namespace platform::foundation::detail {

class MainQueue final : public DispatchQueue {
  public:
    MainQueue() : DispatchQueue("com.apple.main-thread") {}

    static MainQueue& shared();

    void async(Task task) override;
    // Inline on the main thread; from any other thread it waits for the main loop.
    void sync(Task task) override;
    bool isSerial() const override { return true; }

    // Main thread only.
    void run();
    bool runUntil(const std::function<bool()>& done, Clock::Duration timeout);
    int drain();
    void stop();
    bool isRunning() const { return running_.load() > 0; }

  private:
    bool runOne();

    Mutex mutex_;
    ConditionVariable wake_;
    std::deque<Task> tasks_ TAVRO_GUARDED_BY(mutex_);
    bool stopRequested_ TAVRO_GUARDED_BY(mutex_) = false;
    std::atomic<int> running_{0};  // nesting depth of run/runUntil
};

}  // namespace platform::foundation::detail
