#pragma once
// Ctrl-C (SIGINT) and SIGTERM quit the application the way its own quit does: through the
// shared application's terminate, on the main queue, so that the termination's clean-up
// runs. The signals are blocked in every thread (block() runs on the main thread before any
// other thread starts, and threads inherit the mask) and taken by one thread of our own
// with sigwait, so no handler ever runs inside arbitrary code.

#include <pthread.h>

#include <functional>
#include <thread>

namespace app {

class QuitSignals {
  public:
    // Main thread, before any other thread exists.
    static void block();

    // Starts the thread that waits for the signals; `quit` is queued on the main queue at
    // the first one (later ones while quitting are ignored).
    explicit QuitSignals(std::function<void()> quit);
    ~QuitSignals();  // stops and joins the thread
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

  private:
    std::thread thread_;
};

}  // namespace app
