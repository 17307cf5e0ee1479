#include "platform/foundation/ProcessLockRegistry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/HandOverSocket.h"
#include "platform/foundation/SystemInfo.h"

namespace platform::foundation {

namespace {

// How often a copy waiting for the holder to end looks again.
constexpr std::chrono::milliseconds kTakeOverRetry{20};

std::string registryFolder() {
    return appendPathComponent(applicationSupportDirectory(), ".running");
}

int64_t readPid(int fd) {
    char text[32] = {};
    if (::pread(fd, text, sizeof text - 1, 0) <= 0) return 0;
    return std::atoll(text);
}

}  // namespace

ProcessLockRegistry::ProcessLockRegistry(std::string bundleIdentifier,
                                         std::function<void()> onActivate, Patience patience,
                                         std::function<bool()> ownQuitBegun)
    : identifier_(std::move(bundleIdentifier)),
      onActivate_(std::move(onActivate)),
      lockPath_(appendPathComponent(registryFolder(), identifier_ + ".lock")),
      patience_(patience),
      ownQuitBegun_(std::move(ownQuitBegun)) {
    createDirectory(registryFolder(), true);
    MutexLock lock(mutex_);
    lockFd_ = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lockFd_ < 0) {
        const int openError = errno;
        systemLog("running applications: cannot open " + lockPath_ + ": " +
                  std::strerror(openError) + "; the socket alone tells");
    }
    std::string why;
    if (claim(true, why) == Claim::Neither) {
        // Neither check works: better no second start than two copies.
        cannotTell_ = "cannot tell whether another copy runs: no lock at " + lockPath_ +
                      " and no socket (" + why + ")";
        systemLog("running applications: " + cannotTell_);
    }
}

// Two checks: the lock file, and the socket the first copy listens on. Either alone tells
// that another copy runs; when the lock cannot be had (a folder in its place, a folder this
// user cannot write), the socket decides alone, and when the socket cannot be made (no
// descriptors left), the lock does.
ProcessLockRegistry::Claim ProcessLockRegistry::claim(bool report, std::string& why) {
    bool locked = false;
    if (lockFd_ >= 0) {
        if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) {
            locked = true;
        } else if (const int lockError = errno; lockError == EWOULDBLOCK) {
            otherPid_ = readPid(lockFd_);
            return Claim::Taken;
        } else if (report) {
            systemLog("running applications: cannot lock " + lockPath_ + ": " +
                      std::strerror(lockError) + "; the socket alone tells");
        }
    }
    const int fd = listenForHandOvers(lockPath_);
    if (fd < 0 && errno == EADDRINUSE) {
        // A copy that could not have the lock listens already, or one that has let go of
        // the lock and not yet of its socket.
        if (locked) ::flock(lockFd_, LOCK_UN);
        return Claim::Taken;
    }
    if (fd < 0 || ::pipe2(wakePipe_, O_CLOEXEC) != 0) {
        const int listenError = errno;
        if (fd >= 0) ::close(fd);
        if (!locked) {
            why = std::strerror(listenError);
            return Claim::Neither;
        }
        systemLog("running applications: cannot listen for " + lockPath_ +
                  "; the lock alone tells");
        holder_ = true;
        writePid();
        return Claim::Held;
    }
    holder_ = true;
    if (locked) writePid();
    listenFd_ = fd;
    listener_ = std::thread([this, fd, wakeFd = wakePipe_[0]] {
        serveHandOvers(
            fd, wakeFd, [this] { return answerHandOver(); }, patience_.silentPeer);
    });
    return Claim::Held;
}

// On the listener's thread.
bool ProcessLockRegistry::answerHandOver() {
    // A copy whose quit has begun is about to end; coming to the front would leave no copy
    // running, so the new one must run itself.
    if (refusing_.load() || BackgroundWork::stopping()) {
        ++refused_;
        return false;
    }
    if (onActivate_) mainQueue()->async(onActivate_);
    return true;
}

void ProcessLockRegistry::writePid() {
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(lockFd_, 0) != 0 || ::pwrite(lockFd_, pid.data(), pid.size(), 0) < 0) {
        systemLog("running applications: cannot write " + lockPath_);
    }
}

ProcessLockRegistry::~ProcessLockRegistry() {
    stop();
}

void ProcessLockRegistry::stop() {
    MutexLock lock(mutex_);
    stopped_ = true;
    if (wakePipe_[1] >= 0) {
        const char byte = 0;
        if (::write(wakePipe_[1], &byte, 1) < 0) systemLog("running applications: cannot wake");
    }
    if (listener_.joinable()) listener_.join();
    // The socket before the lock: a copy that finds the lock free finds the name free too.
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
    }
    for (int& fd : wakePipe_) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    if (lockFd_ >= 0) ::close(lockFd_);  // lets go of the lock
    lockFd_ = -1;
}

std::vector<RunningApplication> ProcessLockRegistry::runningApplicationsWithBundleIdentifier(
    const std::string& bundleIdentifier) const {
    if (bundleIdentifier != identifier_) return {};
    std::vector<RunningApplication> list;
    if (!holder_.load() && cannotTell_.empty()) list.push_back({otherPid_.load(), identifier_});
    list.push_back(currentApplication());
    return list;
}

RunningApplication ProcessLockRegistry::currentApplication() const {
    return {static_cast<int64_t>(::getpid()), identifier_};
}

bool ProcessLockRegistry::activate(const RunningApplication& application) {
    if (application.bundleIdentifier != identifier_) return false;
    if (application == currentApplication()) {
        if (onActivate_) mainQueue()->async(onActivate_);
        return true;
    }
    const HandOverAnswer answer = askForHandOver(lockPath_, patience_.answer);
    bool accepted = answer == HandOverAnswer::Accepted;
    if (!accepted && !holder_.load() && cannotTell_.empty())
        accepted = takeOverWhenFree(answer == HandOverAnswer::Refused ? otherPid_.load() : -1);
    accepted_ = accepted;
    return accepted;
}

// The holder is quitting, or cannot answer: once it has ended, this copy runs in its place.
// Another copy started meanwhile may take the place first and run; it is then asked to come
// to the front as the holder was, and true answers that it accepted. `refusedBy`: the
// process identifier of the holder that refused (0: not known; -1: none refused).
bool ProcessLockRegistry::takeOverWhenFree(int64_t refusedBy) {
    const auto deadline = std::chrono::steady_clock::now() + patience_.holderEnd;
    for (;;) {
        // The copy's own quit: it launches nothing, so it need not wait nor run.
        if (ownQuitBegun_ && ownQuitBegun_()) {
            systemLog("running applications: this copy quits; it waits no longer");
            return false;
        }
        {
            MutexLock lock(mutex_);
            std::string why;
            if (stopped_) return false;
            if (claim(false, why) == Claim::Held) {
                systemLog("running applications: the other copy has ended; this one runs");
                return false;
            }
        }
        // Asked once per holder, so that a quitting holder is not asked again and again: the
        // lock file tells which process holds it (when it cannot, each look asks).
        const int64_t holder = otherPid_.load();
        const auto now = std::chrono::steady_clock::now();
        if (holder == 0 || holder != refusedBy) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
            const auto answer = askForHandOver(
                lockPath_, std::clamp(left, std::chrono::milliseconds{0}, patience_.answer));
            if (answer == HandOverAnswer::Accepted) {
                systemLog("running applications: another new copy runs; it comes to the front");
                return true;
            }
            if (answer == HandOverAnswer::Refused) refusedBy = holder;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            systemLog("running applications: the other copy has not ended in time");
            return false;
        }
        std::this_thread::sleep_for(kTakeOverRetry);
    }
}

}  // namespace platform::foundation
