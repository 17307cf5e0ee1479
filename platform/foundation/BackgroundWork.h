#pragma once
// Work on worker threads that may still be running when the application quits: an upload
// of stored usage events, a firmware update, an HTTP exchange. Once the quit is over the
// process ends and its static state goes, so such work must be over by then. It holds a
// BackgroundWork::Hold from the moment it is queued until it has returned, looks at
// stopping() between its steps, and sleeps through sleepForSeconds(), which ends at once
// when the quit begins. The quit begins with beginQuit() (a quit signal taken, the
// application told to terminate): from then on stopping() is true, every such sleep ends,
// and nothing may start new work. finish() then waits until every hold has been dropped.
//
// Thread-safe. finish() keeps the main queue running while it waits when it is called on
// the main thread, since the work may be posting to main-queue observers.

#include <chrono>
#include <functional>
#include <memory>

namespace platform::foundation {

class BackgroundWork {
  public:
    using Hold = std::shared_ptr<void>;

    // How long the quit waits at most for work to end (real time: it guards the end of the
    // process against a call that never returns, it is not the application's own time).
    static constexpr std::chrono::milliseconds kFinishLimit{5000};
    // The bound the quit's waits keep: kFinishLimit, or what a test has set, so that a check
    // of the bound itself need not wait it out.
    static std::chrono::milliseconds quitLimit();
    static void setQuitLimit(std::chrono::milliseconds limit);

    // Counts as running until the last copy is dropped.
    static Hold hold();
    // True from the moment the quit has begun.
    static bool stopping();
    // Sleeps `seconds` of clock time; false, and at once, when the quit has begun.
    static bool sleepForSeconds(double seconds);

    // The quit has begun: every piece of work is asked to stop, and sleepers wake. Does not
    // wait. Any thread.
    static void beginQuit();
    // The quit: begins it (when it has not begun yet) and waits until all of it has returned, for
    // at most `limit`. True when none is left running; logs what is when not.
    static bool finish(std::chrono::milliseconds limit = quitLimit());
    // Waits until `done()` or `limit` of real time, whatever the clock's speed; on the main
    // thread it keeps the main queue running meanwhile. Returns done(). For the quit's own
    // waits, which guard the end of the process.
    static bool waitDuringQuit(const std::function<bool()>& done,
                               std::chrono::milliseconds limit = quitLimit());
    // Work may run again: a new run of the application in this process, before it starts
    // anything (tests run several).
    static void resume();
    // Holds alive right now.
    static int running();

    BackgroundWork() = delete;
};

}  // namespace platform::foundation
