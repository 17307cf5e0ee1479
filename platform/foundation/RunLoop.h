#pragma once
// A run loop per thread: a thread that runs its loop receives the work other threads
// perform on it and the callbacks of the sources scheduled on it (the HID monitor, the USB
// and serial monitors and the power-notice thread each run one). The main thread's run
// loop is the main loop (Dispatch.h): work performed on RunLoop::main() runs on the main
// queue.
//
// perform/performAfter/stop are thread-safe; run/runUntil only on the loop's own thread.

#include <functional>
#include <memory>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"

namespace platform::foundation {

class RunLoop {
  public:
    // The calling thread's run loop, created on first use.
    static RunLoop& current();
    static RunLoop& main();

    // Runs until stop() is called; returns at once when stop() came before.
    void run();
    // Runs until `done()` is true or `timeout` of clock time passes; returns done().
    bool runUntil(const std::function<bool()>& done, Clock::Duration timeout);
    // Makes run() return; a stop that comes while the loop is not running makes the next
    // run() return at once.
    void stop();
    bool isRunning() const;

    // Schedules `task` to run on the loop's thread while the loop runs.
    void perform(Task task);
    void performAfter(Clock::Duration delay, Task task);

    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

  private:
    friend class RunLoopSource;
    RunLoop();
    // Hands a task to the loop's thread; usable after the loop's thread has ended (the
    // task is then never run).
    std::function<void(Task)> poster() const;
    struct State;
    std::shared_ptr<State> state_;
    bool isMain_ = false;
};

// A source scheduled on a run loop: events signalled from any thread are delivered on the
// loop's thread, in order, until the source is invalidated. Delivery after invalidate()
// returns never happens: invalidate() from another thread waits for an event being
// delivered at that moment (so do not call it holding a lock that the event takes);
// from inside an event it returns at once. The destructor invalidates.
class RunLoopSource {
  public:
    explicit RunLoopSource(RunLoop& loop);
    ~RunLoopSource();
    // Delivers `event` on the loop's thread (dropped when invalidated).
    void signal(Task event);
    void invalidate();

  private:
    struct State;
    std::shared_ptr<State> state_;
    RunLoop& loop_;
};

}  // namespace platform::foundation
