#pragma once
// File descriptors for the foundation's file operations: one closed on every way out of a
// function, opening that is retried after a signal and never inherited by a child process,
// and writing that goes on after partial writes. Internal to the foundation library;
// thread-safe.

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <span>

namespace platform::foundation {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Gives the descriptor up to the caller, who closes it.
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Close errors matter for writes (delayed write-back failures surface here).
    int close() {
        if (fd_ < 0) return 0;
        int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

  private:
    int fd_;
};

inline int openRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Writes everything, continuing after partial writes and interruptions; 0 or an errno (a
// full disk: ENOSPC; beyond the process's file-size limit: EFBIG).
inline int writeAll(int fd, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<size_t>(written);
    }
    return 0;
}

}  // namespace platform::foundation
