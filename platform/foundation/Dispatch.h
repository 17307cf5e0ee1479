#pragma once
// Grand Central Dispatch stand-in: the main queue (drained by the main loop on the main
// thread), global concurrent queues by quality of service, serial queues with labels,
// delayed work and timer sources. Every delay goes through Clock::current().
//
// All operations are thread-safe. Work submitted to a queue runs on that queue: the main
// queue's work on the main thread inside MainLoop::run/runUntil/drain, a serial queue's
// work one item at a time on a pool thread, a global queue's work concurrently on pool
// threads (the pool grows when its threads block, as GCD's does, so blocking sleeps on a
// global queue never starve other work).

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "platform/foundation/Clock.h"

namespace platform::foundation {

using Task = std::function<void()>;

enum class QualityOfService { Background, Utility, Default, UserInitiated, UserInteractive };

class DispatchQueue : public std::enable_shared_from_this<DispatchQueue> {
  public:
    virtual ~DispatchQueue() = default;

    virtual void async(Task task) = 0;
    // Runs `task` on this queue after `delay` of clock time.
    void asyncAfter(Clock::Duration delay, Task task);
    void asyncAfterSeconds(double seconds, Task task) {
        asyncAfter(Clock::fromSeconds(seconds), std::move(task));
    }
    // Runs `task` on this queue and waits for it. Runs it inline when the caller already
    // is on this queue (where GCD would deadlock).
    virtual void sync(Task task);

    virtual bool isSerial() const = 0;
    const std::string& label() const { return label_; }

    // True when the calling thread is running work of this queue.
    bool isCurrent() const;
    // The queue whose work the calling thread is running, or null.
    static DispatchQueue* current();

  protected:
    explicit DispatchQueue(std::string label) : label_(std::move(label)) {}
    // Runs `task` with this queue marked as the calling thread's current queue.
    void runMarked(const Task& task);

  private:
    std::string label_;
};

using DispatchQueuePtr = std::shared_ptr<DispatchQueue>;

DispatchQueuePtr mainQueue();
DispatchQueuePtr globalQueue(QualityOfService qos = QualityOfService::Default);
DispatchQueuePtr makeSerialQueue(std::string label);

// True on the process's main thread (the thread that runs main()).
bool isMainThread();

// The main thread's loop: it drains the main queue. Only the main thread may run it.
class MainLoop {
  public:
    // Runs main-queue work until stop() is called.
    static void run();
    // Runs main-queue work until `done()` is true (checked after each item and at least
    // every few milliseconds) or `timeout` of clock time has passed. Returns done().
    static bool runUntil(const std::function<bool()>& done, Clock::Duration timeout);
    static bool runUntilSeconds(const std::function<bool()>& done, double seconds) {
        return runUntil(done, Clock::fromSeconds(seconds));
    }
    // Runs the main-queue work that is due now, without waiting for more; returns how many
    // ran. Delayed work and timer firings whose clock time has come count as due (so a test
    // that advances a manual clock and drains sees them run).
    static int drain();
    // Makes run() return after the item it is running; thread-safe.
    static void stop();
};

// A dispatch timer source: fires its handler on its queue at start, then every interval
// (interval 0: once). A source's firings never overlap. Once cancelled it never fires
// again, also when cancelled from inside its own handler or from another thread while a
// firing is pending.
class DispatchTimer : public std::enable_shared_from_this<DispatchTimer> {
  public:
    static std::shared_ptr<DispatchTimer> make(DispatchQueuePtr queue);
    ~DispatchTimer();

    // Start is measured from the call; a zero interval makes a one-shot timer.
    void setTimer(Clock::Duration start, Clock::Duration interval,
                  Clock::Duration leeway = Clock::Duration{0});
    void setEventHandler(Task handler);
    void setCancelHandler(Task handler);
    void resume();
    void cancel();
    bool isCancelled() const;

  private:
    explicit DispatchTimer(DispatchQueuePtr queue);
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace platform::foundation
