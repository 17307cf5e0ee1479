#pragma once
// A plain blocking TCP client on 127.0.0.1 for the server tests, with bounded waits.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>

#include "tests/support/Waits.h"

class LoopbackClient {
  public:
    explicit LoopbackClient(uint16_t port) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~LoopbackClient() { close(); }
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;
    bool connected() const { return connected_; }
    void close() {
        if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    }

    bool send(const std::string& bytes) {
        size_t sent = 0;
        while (sent < bytes.size()) {
            ssize_t wrote = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (wrote <= 0) return false;
            sent += static_cast<size_t>(wrote);
        }
        return true;
    }

    // The next line including its CR LF; nothing on time-out or when the server closed.
    std::optional<std::string> readLine(
        std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (auto end = buffer_.find("\r\n"); end != std::string::npos) {
                std::string line = buffer_.substr(0, end + 2);
                buffer_.erase(0, end + 2);
                return line;
            }
            if (!receive(deadline)) return std::nullopt;
        }
    }

    // True when the server closed the connection before the deadline.
    bool closedByServer(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (receive(deadline)) {
        }
        return closed_;
    }

  private:
    bool receive(std::chrono::steady_clock::time_point deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || fd_ < 0) return false;
        pollfd entry{fd_, POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(left.count())) <= 0) return false;
        char chunk[4096];
        ssize_t got = recv(fd_, chunk, sizeof chunk, 0);
        if (got <= 0) {
            closed_ = true;
            return false;
        }
        buffer_.append(chunk, static_cast<size_t>(got));
        return true;
    }

    int fd_ = -1;
    bool connected_ = false;
    bool closed_ = false;
    std::string buffer_;
};

using test_support::waitUntil;
