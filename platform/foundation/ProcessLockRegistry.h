#pragma once
// The running-application registry of a machine whose processes share a home folder:
// processes of one bundle identifier meet in "Library/Application Support/.running". The
// first holds an exclusive lock on "<identifier>.lock" (its process identifier written in
// it) and listens on a Unix socket named after that lock file; a later process finds the lock
// taken and sees two applications, the holder first. Activating the holder sends it a line
// on the socket; the holder runs its activation handler on the main queue.
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

    // True when this process holds the lock (it is the first copy).
    bool isHolder() const { return holder_; }
    void stop();

    std::vector<RunningApplication> runningApplicationsWithBundleIdentifier(
        const std::string& bundleIdentifier) const override;
    RunningApplication currentApplication() const override;
    bool activate(const RunningApplication& application) override;

  private:
    void listen();

    const std::string identifier_;
    const std::function<void()> onActivate_;
    const std::string lockPath_;
    bool holder_ = false;
    int lockFd_ = -1;
    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    Mutex stopMutex_;
    std::thread listener_ TAVRO_GUARDED_BY(stopMutex_);  // stop() may come from two threads
};

}  // namespace platform::foundation
