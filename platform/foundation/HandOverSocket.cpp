#include "platform/foundation/HandOverSocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/foundation/FileSystem.h"

namespace platform::foundation {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::string_view kRequest = "activate\n";
constexpr std::string_view kAccepted = "accepted\n";
constexpr std::string_view kRefused = "refused\n";
// Peers waiting to be heard at once; beyond that the oldest goes, so that a flood of silent
// connections can neither use up this process's descriptors nor keep a real request out.
constexpr size_t kMaximumPeers = 32;
// While the process is out of descriptors the waiting connection keeps the listening socket
// readable: accepting rests for a moment instead of spinning.
constexpr std::chrono::milliseconds kAcceptBackOff{100};
// A full backlog empties as the holder accepts; a moment later there is room again.
constexpr std::chrono::milliseconds kConnectRetry{10};

// The socket lives in the abstract namespace under a name made from the lock file's path:
// a home folder's path may be longer than a socket path can be, and an abstract socket
// goes with its process, so none is ever left behind. The path is the file's real place: one
// home reached through a link, or spelled with a doubled "/", is one lock file, and its
// copies must meet on one socket.
socklen_t socketAddress(const std::string& lockPath, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    char name[64];
    const int length = std::snprintf(name, sizeof name, "tavro-running-%016zx",
                                     std::hash<std::string>{}(resolvingFolders(lockPath)));
    std::memcpy(address.sun_path + 1, name, static_cast<size_t>(length));
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

// For poll: never negative, and -1 (no limit) when there is nothing to wait for.
int millisecondsUntil(SteadyClock::time_point when, SteadyClock::time_point now) {
    if (when == SteadyClock::time_point::max()) return -1;
    if (when <= now) return 0;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - now).count();
    return static_cast<int>(std::min<long long>(left, INT_MAX));
}

HandOverAnswer readAnswer(int fd, SteadyClock::time_point deadline) {
    std::string received;
    for (;;) {
        pollfd in = {fd, POLLIN, 0};
        const int ready = ::poll(&in, 1, millisecondsUntil(deadline, SteadyClock::now()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return HandOverAnswer::NoAnswer;
        char buffer[16];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (got <= 0) return HandOverAnswer::NoAnswer;
        received.append(buffer, static_cast<size_t>(got));
        if (received == kAccepted) return HandOverAnswer::Accepted;
        if (received == kRefused) return HandOverAnswer::Refused;
        if (!kAccepted.starts_with(received) && !kRefused.starts_with(received))
            return HandOverAnswer::NoAnswer;
    }
}

struct Peer {
    int fd = -1;
    SteadyClock::time_point dropAt;
    std::string received;
};

// Reads what the peer has sent and answers a whole request; true when the peer is done with
// (answered, gone, or saying something else).
bool hearPeer(Peer& peer, const std::function<bool()>& decide) {
    for (;;) {
        char buffer[16];
        const ssize_t got = ::recv(peer.fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
        if (got <= 0) return true;
        peer.received.append(buffer, static_cast<size_t>(got));
        if (!kRequest.starts_with(peer.received)) return true;
        if (peer.received.size() < kRequest.size()) continue;
        const std::string_view answer = decide() ? kAccepted : kRefused;
        // Fits any socket buffer; a peer that has gone already loses nothing.
        [[maybe_unused]] const ssize_t sent =
            ::send(peer.fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        return true;
    }
}

void acceptPeers(int listenFd, std::vector<Peer>& peers, std::chrono::milliseconds silentPeerLimit,
                 SteadyClock::time_point& acceptResumes) {
    for (;;) {
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                acceptResumes = SteadyClock::now() + kAcceptBackOff;
            return;
        }
        if (peers.size() >= kMaximumPeers) {
            ::close(peers.front().fd);
            peers.erase(peers.begin());
        }
        peers.push_back({fd, SteadyClock::now() + silentPeerLimit, {}});
    }
}

}  // namespace

int listenForHandOvers(const std::string& lockPath) {
    sockaddr_un address;
    const socklen_t length = socketAddress(lockPath, address);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, 16) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

int connectForHandOver(const std::string& lockPath, std::chrono::milliseconds patience) {
    sockaddr_un address;
    const socklen_t length = socketAddress(lockPath, address);
    const auto deadline = SteadyClock::now() + patience;
    for (;;) {
        // Non-blocking: a holder that is frozen, its backlog full, must not hold this copy up.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return -1;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0) return fd;
        const int error = errno;
        ::close(fd);
        if ((error != EAGAIN && error != EINTR) || SteadyClock::now() >= deadline) return -1;
        std::this_thread::sleep_for(kConnectRetry);
    }
}

HandOverAnswer askForHandOver(const std::string& lockPath, std::chrono::milliseconds patience) {
    const auto deadline = SteadyClock::now() + patience;
    const int fd = connectForHandOver(lockPath, patience);
    if (fd < 0) return HandOverAnswer::NoAnswer;
    HandOverAnswer answer = HandOverAnswer::NoAnswer;
    if (::send(fd, kRequest.data(), kRequest.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(kRequest.size())) {
        answer = readAnswer(fd, deadline);
    }
    ::close(fd);
    return answer;
}

void serveHandOvers(int listenFd, int wakeFd, const std::function<bool()>& decide,
                    std::chrono::milliseconds silentPeerLimit) {
    std::vector<Peer> peers;
    std::vector<pollfd> fds;
    SteadyClock::time_point acceptResumes{};
    for (;;) {
        const auto now = SteadyClock::now();
        std::erase_if(peers, [&](const Peer& peer) {
            if (peer.dropAt > now) return false;
            ::close(peer.fd);
            return true;
        });
        const bool accepting = acceptResumes <= now;
        auto next = accepting ? SteadyClock::time_point::max() : acceptResumes;
        for (const Peer& peer : peers) next = std::min(next, peer.dropAt);
        fds.clear();
        fds.push_back({wakeFd, POLLIN, 0});
        fds.push_back({accepting ? listenFd : -1, POLLIN, 0});  // poll leaves out a negative one
        for (const Peer& peer : peers) fds.push_back({peer.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), millisecondsUntil(next, now)) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents != 0) break;
        for (size_t i = 0; i < peers.size(); ++i) {
            if (fds[i + 2].revents == 0 || !hearPeer(peers[i], decide)) continue;
            ::close(peers[i].fd);
            peers[i].fd = -1;
        }
        std::erase_if(peers, [](const Peer& peer) { return peer.fd < 0; });
        if (fds[1].revents & POLLIN) acceptPeers(listenFd, peers, silentPeerLimit, acceptResumes);
    }
    for (const Peer& peer : peers) ::close(peer.fd);
}

}  // namespace platform::foundation
