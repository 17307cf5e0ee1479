#include "localnet/LoopbackLineServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "platform/foundation/Mutex.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

namespace {

bool setNonBlocking(int fd) {
    int flags = fcntl(fd, F_GETFL, 0);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// A listening socket on 127.0.0.1:port, or -1 when the port cannot be had.
int listenOn(uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

LoopbackLineServer::LoopbackLineServer(uint16_t preferredPort) {
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    listen(preferredPort);
    if (listenFd_ >= 0 && wakeFd_ >= 0) thread_ = std::thread([this] { run(); });
}

LoopbackLineServer::~LoopbackLineServer() {
    stopping_ = true;
    wake();
    if (thread_.joinable()) thread_.join();
    if (clientFd_ >= 0) close(clientFd_);
    if (listenFd_ >= 0) close(listenFd_);
    if (wakeFd_ >= 0) close(wakeFd_);
}

void LoopbackLineServer::listen(uint16_t preferredPort) {
    for (uint32_t port = preferredPort; port > 0; --port) {
        listenFd_ = listenOn(static_cast<uint16_t>(port));
        if (listenFd_ >= 0) {
            port_ = static_cast<uint16_t>(port);
            return;
        }
    }
}

bool LoopbackLineServer::send(std::string text) {
    if (!hasClient_) return false;
    {
        MutexLock lock(outputMutex_);
        if (pendingOutput_.size() + text.size() > kMaximumPendingOutput) return true;
        pendingOutput_ += text;
    }
    wake();
    return true;
}

void LoopbackLineServer::wake() {
    if (wakeFd_ < 0) return;
    uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(wakeFd_, &one, sizeof one);
}

void LoopbackLineServer::run() {
    while (!stopping_) {
        bool wantsWrite = false;
        if (clientFd_ >= 0) {
            MutexLock lock(outputMutex_);
            wantsWrite = !pendingOutput_.empty();
        }
        int timeout = -1;
        bool accepting = true;
        if (acceptResumes_ != std::chrono::steady_clock::time_point{}) {
            const auto now = std::chrono::steady_clock::now();
            if (now < acceptResumes_) {
                accepting = false;
                timeout = static_cast<int>(
                    std::chrono::ceil<std::chrono::milliseconds>(acceptResumes_ - now).count());
            } else {
                acceptResumes_ = {};
            }
        }
        std::array<pollfd, 3> fds{};
        fds[0] = {wakeFd_, POLLIN, 0};
        // A negative descriptor is left out by poll.
        fds[1] = {accepting ? listenFd_ : -1, POLLIN, 0};
        fds[2] = {clientFd_, static_cast<short>(POLLIN | (wantsWrite ? POLLOUT : 0)), 0};
        nfds_t count = clientFd_ >= 0 ? 3 : 2;
        if (poll(fds.data(), count, timeout) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents & POLLIN) {
            uint64_t drained;
            [[maybe_unused]] ssize_t got = read(wakeFd_, &drained, sizeof drained);
        }
        if (fds[1].revents & POLLIN) acceptClient();
        if (count == 3 && clientFd_ >= 0) {
            if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) readClient();
            if (clientFd_ >= 0 && (fds[2].revents & POLLOUT)) writeClient();
        }
    }
}

void LoopbackLineServer::acceptClient() {
    for (;;) {
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                acceptResumes_ = std::chrono::steady_clock::now() + kAcceptBackOff;
            }
            return;
        }
        if (clientFd_ >= 0) {
            close(fd);  // one client at a time
            continue;
        }
        setNonBlocking(fd);
        int yes = 1;
        setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &yes, sizeof yes);
        clientFd_ = fd;
        {
            MutexLock lock(outputMutex_);
            pendingOutput_.clear();  // a new client gets nothing meant for the last one
        }
        hasClient_ = true;
    }
}

void LoopbackLineServer::readClient() {
    std::array<char, 4096> buffer;
    for (;;) {
        ssize_t got = recv(clientFd_, buffer.data(), buffer.size(), 0);
        if (got > 0) continue;  // the client's input carries nothing the server acts on
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (got < 0 && errno == EINTR) continue;
        dropClient();
        return;
    }
}

void LoopbackLineServer::writeClient() {
    std::string chunk;
    {
        MutexLock lock(outputMutex_);
        chunk.swap(pendingOutput_);
    }
    size_t sent = 0;
    while (sent < chunk.size()) {
        ssize_t wrote = ::send(clientFd_, chunk.data() + sent, chunk.size() - sent, MSG_NOSIGNAL);
        if (wrote > 0) {
            sent += static_cast<size_t>(wrote);
            continue;
        }
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        dropClient();
        return;
    }
    if (sent < chunk.size()) {
        MutexLock lock(outputMutex_);
        pendingOutput_.insert(0, chunk, sent, std::string::npos);
    }
}

void LoopbackLineServer::dropClient() {
    close(clientFd_);
    clientFd_ = -1;
    hasClient_ = false;
    MutexLock lock(outputMutex_);
    pendingOutput_.clear();
}
