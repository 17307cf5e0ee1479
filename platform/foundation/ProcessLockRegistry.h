#pragma once
// The running-application registry of a machine whose processes share a home folder:
// processes of one bundle identifier meet in "Library/Application Support/.running". The
// first holds an exclusive lock on "<identifier>.lock" (its process identifier written in
// it) and listens on a Unix socket named after that lock file (HandOverSocket.h); a later
// process finds the lock taken, or the socket's name in use, and sees two applications, the
// holder first. When the lock file cannot be opened or locked, the socket alone decides;
// when the socket cannot be made, the lock alone does; when neither works, the registry
// cannot tell (cannotTell()) and the process must not start.
//
// Activating the holder asks it over the socket. A holder that is not quitting accepts and
// runs its activation handler on the main queue; one whose quit has begun
// (BackgroundWork::stopping(), or refuseHandOvers()) refuses, since it is about to end. A
// refused, unanswered or unreachable request makes the later process wait, bounded, for the
// holder to end, and take its place when it does: a start during a quit is not lost, and
// two copies never run. When another later process takes the place first, the waiting one
// asks that one to come to the front instead, and ends as any second start does once it
// accepts. The waiting process's own quit ends the wait.
//
// Thread-safe. The listener runs on a thread of its own from the moment this process holds
// the registry until stop() (or destruction), which the process entry does before main
// returns, so that no thread is left to static destruction.

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "platform/foundation/Mutex.h"
#include "platform/foundation/RunningApplication.h"

namespace platform::foundation {

class ProcessLockRegistry final : public RunningApplicationRegistry {
  public:
    // Real time: the other copy's answer and its end are not paced by this run's clock.
    struct Patience {
        std::chrono::milliseconds answer{2000};      // for the holder's answer
        std::chrono::milliseconds holderEnd{10000};  // for a holder that refused to end
        std::chrono::milliseconds silentPeer{1000};  // before the holder drops a mute peer
    };

    // Registers this process under `bundleIdentifier`; `onActivate` runs on the main queue
    // when another process activates this one. `ownQuitBegun` tells whether this process's
    // quit has begun (BackgroundWork::stopping() for the application); a wait for the holder
    // to end is then over. None: the wait keeps its bound (two registrations in one test
    // program share the process's quit, which is the holder's there).
    ProcessLockRegistry(std::string bundleIdentifier, std::function<void()> onActivate,
                        Patience patience, std::function<bool()> ownQuitBegun = nullptr);
    ProcessLockRegistry(std::string bundleIdentifier, std::function<void()> onActivate)
        : ProcessLockRegistry(std::move(bundleIdentifier), std::move(onActivate), Patience{}) {}
    ~ProcessLockRegistry() override;
    ProcessLockRegistry(const ProcessLockRegistry&) = delete;
    ProcessLockRegistry& operator=(const ProcessLockRegistry&) = delete;

    // True when this process is the first copy (or has taken the first copy's place).
    bool isHolder() const { return holder_.load(); }
    // Why it cannot be told whether another copy runs; empty when it can.
    const std::string& cannotTell() const { return cannotTell_; }
    // From now until stop(), requests to come to the front are refused: the run is over.
    void refuseHandOvers() { refusing_ = true; }
    // The requests refused so far.
    int refusedHandOvers() const { return refused_.load(); }
    // True when the last activate() of another copy was taken: by the holder, or by the copy
    // that took the quitting holder's place meanwhile.
    bool handOverAccepted() const { return accepted_.load(); }
    void stop();

    std::vector<RunningApplication> runningApplicationsWithBundleIdentifier(
        const std::string& bundleIdentifier) const override;
    RunningApplication currentApplication() const override;
    // True when the holder accepted. Otherwise waits up to Patience::holderEnd for it to end,
    // takes its place if it does, and answers false; the list then shows this process alone.
    // True too when another copy took the place first and accepted.
    bool activate(const RunningApplication& application) override;

  private:
    enum class Claim { Held, Taken, Neither };
    // One try at holding the registry; `report` logs what keeps it from working well.
    Claim claim(bool report, std::string& why) TAVRO_REQUIRES(mutex_);
    bool takeOverWhenFree(int64_t refusedBy);
    bool answerHandOver();
    void writePid() TAVRO_REQUIRES(mutex_);

    const std::string identifier_;
    const std::function<void()> onActivate_;
    const std::string lockPath_;
    const Patience patience_;
    const std::function<bool()> ownQuitBegun_;
    std::string cannotTell_;  // set by the constructor alone
    std::atomic<bool> holder_{false};
    std::atomic<int64_t> otherPid_{0};  // the first copy's, when its lock file tells
    std::atomic<bool> refusing_{false};
    std::atomic<int> refused_{0};
    std::atomic<bool> accepted_{false};
    Mutex mutex_;  // stop() may come from two threads, a take-over from a third
    bool stopped_ TAVRO_GUARDED_BY(mutex_) = false;
    int lockFd_ TAVRO_GUARDED_BY(mutex_) = -1;
    int listenFd_ TAVRO_GUARDED_BY(mutex_) = -1;
    int wakePipe_[2] TAVRO_GUARDED_BY(mutex_) = {-1, -1};
    std::thread listener_ TAVRO_GUARDED_BY(mutex_);
};

}  // namespace platform::foundation
