#pragma once
// A TCP server on the loopback address for one client at a time: it listens on a preferred
// port (or the next lower free one), turns away a second client while one is connected,
// forgets a client that goes away, discards whatever the client sends, and writes queued
// text to the client without ever blocking the caller.
//
// Its own thread does every socket operation; send/hasClient/port are thread-safe. While
// the process is out of file descriptors, accepting cannot succeed and the waiting
// connection keeps the listening socket readable: the thread then stops watching that
// socket for a while instead of spinning, and accepts the waiting client once it can.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/foundation/Mutex.h"

class LoopbackLineServer {
  public:
    // Starts listening at once; port() is 0 when no port from `preferredPort` down was free.
    explicit LoopbackLineServer(uint16_t preferredPort);
    ~LoopbackLineServer();
    LoopbackLineServer(const LoopbackLineServer&) = delete;
    LoopbackLineServer& operator=(const LoopbackLineServer&) = delete;

    uint16_t port() const { return port_; }
    bool hasClient() const { return hasClient_.load(); }
    // Queues `text` for the connected client; false without a client.
    bool send(std::string text);

    // Output waiting for a client that does not read is bounded; beyond it, text is dropped.
    static constexpr size_t kMaximumPendingOutput = 4 * 1024 * 1024;
    // How long accepting rests after it failed for want of descriptors or memory. Real
    // time: it paces retries of a system call, not anything the application schedules.
    static constexpr std::chrono::milliseconds kAcceptBackOff{100};

  private:
    void listen(uint16_t preferredPort);
    void run();
    void acceptClient();
    void readClient();
    void writeClient();
    void dropClient();
    void wake();

    int listenFd_ = -1;
    int wakeFd_ = -1;
    int clientFd_ = -1;  // touched on the server thread only
    // Server thread only: accepting rests until then (the epoch: it does not rest).
    std::chrono::steady_clock::time_point acceptResumes_{};
    uint16_t port_ = 0;
    std::atomic<bool> hasClient_{false};
    std::atomic<bool> stopping_{false};

    platform::foundation::Mutex outputMutex_;
    std::string pendingOutput_ TAVRO_GUARDED_BY(outputMutex_);

    std::thread thread_;
};
