#pragma once
// The running-application registry of a machine whose processes share a home folder:
// processes of one bundle identifier meet in "Library/Application Support/.running". The
// first holds an exclusive lock on "<identifier>.lock" (its process identifier written in
// it) and listens on a Unix socket named after that lock file; a later process finds the lock
// taken, or the socket's name in use, and sees two applications, the holder first. When
// the lock file cannot be opened or locked, the socket alone decides; when neither works,
// the registry cannot tell (cannotTell()) and the process must not start. Activating the
// holder sends it a line on the socket; the holder runs its activation handler on the main
// queue.
//
// Thread-safe. The listener runs on a thread of its own from construction until stop()
// (or destruction), which the process entry does before main returns, so that no thread
// is left to static destruction.

#include <functional>
#include <string>
#include <thread>

#include "platform/foundation/Mutex.h"
#include "platform/foundation/RunningApplication.h"

namespace platform::foundation {

class ProcessLockRegistry final : public RunningApplicationRegistry {
  public:
    // Registers this process under `bundleIdentifier`; `onActivate` runs on the main queue
    // when another process activates this one.
    ProcessLockRegistry(std::string bundleIdentifier, std::function<void()> onActivate);
    ~ProcessLockRegistry() override;
    ProcessLockRegistry(const ProcessLockRegistry&) = delete;
    ProcessLockRegistry& operator=(const ProcessLockRegistry&) = delete;

    // True when this process is the first copy.
    bool isHolder() const { return holder_; }
    // Why it cannot be told whether another copy runs; empty when it can.
    const std::string& cannotTell() const { return cannotTell_; }
    void stop();

    std::vector<RunningApplication> runningApplicationsWithBundleIdentifier(
        const std::string& bundleIdentifier) const override;
    RunningApplication currentApplication() const override;
    bool activate(const RunningApplication& application) override;

  private:
    void listen();
    void writePid();

    const std::string identifier_;
    const std::function<void()> onActivate_;
    const std::string lockPath_;
    bool holder_ = false;
    std::string cannotTell_;
    int64_t otherPid_ = 0;  // the first copy's, when its lock file tells
    int lockFd_ = -1;
    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    Mutex stopMutex_;
    std::thread listener_ TAVRO_GUARDED_BY(stopMutex_);  // stop() may come from two threads
};

}  // namespace platform::foundation
