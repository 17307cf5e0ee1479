#pragma once
// Plays a scenario against the running application on a simulated Mac, on a thread of its
// own: it plugs and unplugs devices on the SimMac, waits on the platform clock, acts as the
// user on the main thread (clicks in windows, popovers and on the status item, keys,
// reopening), answers alerts through the alert responder, and checks what the screen
// recorder saw and what the application logged.
// The first expectation that is not met ends the scenario as failed. When the scenario
// ends (or fails) the runner asks the application to quit, unless told to leave it running.
// A user who quits (a quit signal) ends the scenario early without failing it. Log lines
// are looked for only in what the application writes after start(): the log files of the
// simulated Mac outlive its runs.
//
// start/stop/results on the main thread (results from any thread); the steps run on the
// runner's thread, which never waits for the main thread without a time limit.

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "platform/sim/RunLog.h"
#include "platform/sim/Scenario.h"
#include "platform/sim/ScreenRecorder.h"
#include "platform/sim/SimMac.h"

namespace platform::sim {

class ScenarioRunner {
  public:
    struct Options {
        bool quitAtEnd = true;
        // What asks the application to quit (on the main queue); by default the shared
        // application's terminate.
        std::function<void()> quit;
    };

    ScenarioRunner(Scenario scenario, SimMac& mac, std::shared_ptr<ScreenRecorder> screen,
                   std::shared_ptr<RunLog> log, Options options);
    ~ScenarioRunner();  // stops
    ScenarioRunner(const ScenarioRunner&) = delete;
    ScenarioRunner& operator=(const ScenarioRunner&) = delete;

    // Installs the alert responder with the answers the scenario gives before anything else
    // happens (so that an alert of the launch itself is answered), and starts the steps.
    void start();
    // Ends the steps early (a wait returns at once) and joins the thread; then logs the
    // last command each plugged device received.
    void stop();
    // The user quits the application (any thread): the steps it cuts short are no failure.
    void quitByUser();

    bool finished() const { return finished_.load(); }
    bool succeeded() const;
    std::vector<std::string> failures() const;
    // The device a plug step named, null when none.
    std::shared_ptr<VirtualHidDevice> device(const std::string& name) const;

  private:
    void run();
    // Steps that set the scene up at once (answers, the backend's behaviour).
    static bool isSetUp(const ScenarioStep& step);
    bool perform(const ScenarioStep& step);
    bool plug(const ScenarioStep& step);
    bool unplug(const ScenarioStep& step);
    bool onMain(const std::string& what, std::function<bool()> task);
    bool click(const std::string& outlet, double at);
    bool clickStatusItem(bool right);
    bool volumeKey(const std::string& key);
    bool expect(const ScenarioStep& step);
    bool logHolds(const std::string& text) const;
    void logLastCommands() const;
    // Sleeps `seconds` of clock time, or until stopped; false when stopped.
    bool pause(double seconds);
    // Polls `done` every 50 ms of clock time for at most `seconds`; false when it never held.
    bool waitFor(double seconds, const std::function<bool()>& done);
    void fail(const std::string& why);
    int answerAlert(const ui::Alert& alert);

    const Scenario scenario_;
    SimMac& mac_;
    const std::shared_ptr<ScreenRecorder> screen_;
    const std::shared_ptr<RunLog> log_;
    const Options options_;

    mutable foundation::Mutex mutex_;
    foundation::ConditionVariable wake_;
    bool stopping_ TAVRO_GUARDED_BY(mutex_) = false;
    bool userQuit_ TAVRO_GUARDED_BY(mutex_) = false;
    std::vector<std::string> failures_ TAVRO_GUARDED_BY(mutex_);
    std::map<std::string, std::shared_ptr<VirtualHidDevice>> devices_ TAVRO_GUARDED_BY(mutex_);
    // Where each log file ended when the run started (its identity and size): what lies
    // before was written by earlier runs.
    struct LogStart {
        uint64_t inode = 0;
        uint64_t size = 0;
    };
    std::map<std::string, LogStart> logStarts_;  // written by start() before the thread runs
    struct Answer {
        int button;
        std::string message;
    };
    std::deque<Answer> answers_;
    size_t panelCursor_ = 0;
    size_t alertCursor_ = 0;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace platform::sim
