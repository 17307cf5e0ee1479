#include "platform/foundation/ProcessLockRegistry.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/SystemInfo.h"

namespace platform::foundation {

namespace {

constexpr const char* kActivateLine = "activate\n";

std::string registryFolder() {
    return appendPathComponent(applicationSupportDirectory(), ".running");
}

// The socket lives in the abstract namespace under a name made from the lock file's path:
// a home folder's path may be longer than a socket path can be, and an abstract socket
// goes with its process, so none is ever left behind.
socklen_t socketAddress(const std::string& lockPath, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    char name[64];
    const int length = std::snprintf(name, sizeof name, "tavro-running-%016zx",
                                     std::hash<std::string>{}(lockPath));
    std::memcpy(address.sun_path + 1, name, static_cast<size_t>(length));
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

int64_t readPid(int fd) {
    char text[32] = {};
    if (::pread(fd, text, sizeof text - 1, 0) <= 0) return 0;
    return std::atoll(text);
}

}  // namespace

ProcessLockRegistry::ProcessLockRegistry(std::string bundleIdentifier,
                                         std::function<void()> onActivate)
    : identifier_(std::move(bundleIdentifier)),
      onActivate_(std::move(onActivate)),
      lockPath_(appendPathComponent(registryFolder(), identifier_ + ".lock")) {
    createDirectory(registryFolder(), true);
    // Two checks: the lock file, and the socket the first copy listens on. Either alone
    // tells that another copy runs; when the lock cannot be had (a folder in its place, a
    // folder this user cannot write), the socket decides alone.
    bool locked = false;
    lockFd_ = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lockFd_ < 0) {
        const int openError = errno;
        systemLog("running applications: cannot open " + lockPath_ + ": " +
                  std::strerror(openError) + "; the socket alone tells");
    } else if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) {
        locked = true;
    } else if (const int lockError = errno; lockError == EWOULDBLOCK) {
        otherPid_ = readPid(lockFd_);
        return;  // another copy runs
    } else {
        systemLog("running applications: cannot lock " + lockPath_ + ": " +
                  std::strerror(lockError) + "; the socket alone tells");
    }

    sockaddr_un address;
    const socklen_t length = socketAddress(lockPath_, address);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        const int bindError = errno;
        ::close(fd);
        fd = -1;
        if (bindError == EADDRINUSE) {
            // A copy that could not have the lock listens already.
            if (locked) ::flock(lockFd_, LOCK_UN);
            return;
        }
        errno = bindError;
    }
    if (fd < 0 || ::listen(fd, 4) != 0 || ::pipe2(wakePipe_, O_CLOEXEC) != 0) {
        const int listenError = errno;
        if (fd >= 0) ::close(fd);
        if (!locked) {
            // Neither check works: better no second start than two copies.
            cannotTell_ = "cannot tell whether another copy runs: no lock at " + lockPath_ +
                          " and no socket (" + std::strerror(listenError) + ")";
            systemLog("running applications: " + cannotTell_);
            return;
        }
        systemLog("running applications: cannot listen for " + lockPath_);
        holder_ = true;
        writePid();
        return;
    }
    holder_ = true;
    if (locked) writePid();
    listenFd_ = fd;
    listener_ = std::thread([this] { listen(); });
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
    MutexLock lock(stopMutex_);
    if (wakePipe_[1] >= 0) {
        const char byte = 0;
        if (::write(wakePipe_[1], &byte, 1) < 0) systemLog("running applications: cannot wake");
    }
    if (listener_.joinable()) listener_.join();
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

// Every connection that says "activate" brings this copy to the front.
void ProcessLockRegistry::listen() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if ((fds[0].revents & POLLIN) == 0) continue;
        int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        // A peer that connects and says nothing must not hold the listener up for long.
        pollfd in = {client, POLLIN, 0};
        char line[16] = {};
        if (::poll(&in, 1, 1000) > 0 && ::read(client, line, sizeof line - 1) > 0 &&
            std::strncmp(line, kActivateLine, std::strlen(kActivateLine)) == 0 && onActivate_) {
            mainQueue()->async(onActivate_);
        }
        ::close(client);
    }
}

std::vector<RunningApplication> ProcessLockRegistry::runningApplicationsWithBundleIdentifier(
    const std::string& bundleIdentifier) const {
    if (bundleIdentifier != identifier_) return {};
    std::vector<RunningApplication> list;
    if (!holder_ && cannotTell_.empty()) list.push_back({otherPid_, identifier_});
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
    sockaddr_un address;
    const socklen_t length = socketAddress(lockPath_, address);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool sent = ::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                      ::send(fd, kActivateLine, std::strlen(kActivateLine), MSG_NOSIGNAL) > 0;
    ::close(fd);
    return sent;
}

}  // namespace platform::foundation
