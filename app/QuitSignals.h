#pragma once
// Ctrl-C (SIGINT), SIGTERM and SIGHUP (the terminal that runs the application closes) quit
// the application the way its own quit does: through the shared application's terminate,
// on the main queue, so that the termination's clean-up runs. The signals are blocked in
// every thread (block() runs on the main thread before any other thread starts, and
// threads inherit the mask) and taken by one thread of our own with sigwait, so no handler
// ever runs inside arbitrary code.

#include <pthread.h>

#include <atomic>
#include <functional>
#include <thread>

namespace app {

class QuitSignals {
  public:
    // Main thread, before any other thread exists.
    static void block();

    // Starts the thread that waits for the signals. At the first one the quit begins
    // (BackgroundWork::beginQuit) and `quit` is queued on the main queue; later ones are
    // ignored.
    explicit QuitSignals(std::function<void()> quit);
    ~QuitSignals();  // stops and joins the thread
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // Whether a signal has been taken and its quit queued (any thread).
    bool quitQueued() const { return quitQueued_.load(); }

  private:
    std::atomic<bool> quitQueued_{false};
    std::thread thread_;
};

}  // namespace app
