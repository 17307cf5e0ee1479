#pragma once
// The application's named timers: a process-wide registry of timer tasks, each running its
// block on the main queue or the default global queue after a start delay, once or every
// interval, until it is cancelled by the key it was given. A non-repeating task cancels
// itself after its one run.
//
// Keys are decimal texts: "0", "1", "2", ... in creation order, never given twice in a
// process run, so a key names exactly one task from its addition until its cancellation.
// The empty text is never a key; it is the answer to a refused task.
//
// Every operation may be called from any thread, also from inside a task's own block. One
// task's runs never overlap; once cancelled, a task does not run again.

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace common {

// A receiver of timed messages for execTarget: it is asked whether it answers a message
// before each delivery.
class GCXTimerTarget {
  public:
    virtual ~GCXTimerTarget() = default;
    virtual bool respondsToSelector(const std::string& selector) const = 0;
    virtual void performSelector(const std::string& selector) = 0;
};

class GCXTimer {
  public:
    using Task = std::function<void()>;
    using KeyedTask = std::function<void(const std::string& key)>;

    // Sets up the registry; runs by itself before the first use.
    static void initialize();

    // Times in seconds. Refused ("") when the task is empty, a time is not a number, the
    // start delay is negative, or a repeating task's interval is not above 0. Times too
    // large for the clock (infinity included) mean the task is never due. `async` picks the global
    // queue, otherwise the main queue.
    static std::string execTask(Task task, double start, double interval, bool repeats, bool async);
    // As execTask, the block receiving its own key.
    static std::string execTask2(KeyedTask task, double start, double interval, bool repeats,
                                 bool async);
    // Sends `selector` to `target` at each run when the target answers it; none when the
    // target is missing or the selector empty. The task keeps the target alive until it is
    // cancelled.
    static std::optional<std::string> execTarget(std::shared_ptr<GCXTimerTarget> target,
                                                 const std::string& selector, double start,
                                                 double interval, bool repeats, bool async);
    // An empty or unknown key does nothing.
    static void cancelTimerTask(const std::string& key);
};

}  // namespace common
