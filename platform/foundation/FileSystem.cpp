// File operations of FileSystem.h on POSIX calls: they give the errno that the error
// results carry, and the atomic write needs fsync, which std::filesystem does not offer.

#include "platform/foundation/FileSystem.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <limits>

#include "platform/foundation/PosixError.h"

namespace platform::foundation {

namespace {

// Closes the descriptor on every way out of a function.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
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

int openRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Writes everything, continuing after partial writes and interruptions; 0 or an errno.
int writeAll(int fd, std::span<const uint8_t> bytes) {
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

Date dateOf(const struct timespec& time) {
    return Date{static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) / 1e9};
}

}  // namespace

bool fileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<Error> createDirectory(const std::string& path, bool withIntermediates) {
    std::error_code error;
    if (withIntermediates) {
        std::filesystem::create_directories(path, error);
        // An existing folder is what was asked for, however create_directories saw it.
        if (isDirectory(path)) return std::nullopt;
        return posixError(error ? error.value() : ENOTDIR, "cannot create folder " + path);
    }
    if (::mkdir(path.c_str(), 0777) != 0) return posixError(errno, "cannot create folder " + path);
    return std::nullopt;
}

Result<FileAttributes> attributesOfItem(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return posixError(errno, "cannot read attributes of " + path);
    FileAttributes attributes;
    attributes.size = static_cast<uint64_t>(info.st_size);
    attributes.type = S_ISREG(info.st_mode)   ? FileType::Regular
                      : S_ISDIR(info.st_mode) ? FileType::Directory
                                              : FileType::Other;
    attributes.modificationDate = dateOf(info.st_mtim);
    return attributes;
}

std::optional<Error> removeItem(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return posixError(errno, "cannot remove " + path);
    std::error_code error;
    // remove_all removes a link itself, never what it points to.
    std::filesystem::remove_all(path, error);
    if (error) return posixError(error.value(), "cannot remove " + path);
    return std::nullopt;
}

std::optional<Error> moveItem(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        return posixError(errno, "cannot move " + from + " to " + to);
    }
    return std::nullopt;
}

Result<std::string> moveUnreadableAside(const std::string& path) {
    std::optional<Error> failure;
    for (int attempt = 1; attempt <= 100; ++attempt) {
        std::string aside = path + ".unreadable";
        if (attempt > 1) aside += "-" + std::to_string(attempt);
        failure = moveItem(path, aside);
        if (!failure) return aside;
        if (failure->code != EEXIST) break;
    }
    return *failure;
}

std::optional<Error> appendToFile(const std::string& path, std::span<const uint8_t> bytes) {
    FileDescriptor fd(openRetrying(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644));
    if (!fd.valid()) return posixError(errno, "cannot open " + path);
    if (int code = writeAll(fd.get(), bytes)) return posixError(code, "cannot write " + path);
    if (fd.close() != 0) return posixError(errno, "cannot write " + path);
    return std::nullopt;
}

std::optional<Error> writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
    const std::string folder = deletingLastPathComponent(path);
    const std::string name = lastPathComponent(path);
    // Hidden and beside the target, so the rename stays on one file system.
    std::string temporary =
        appendPathComponent(folder.empty() ? "." : folder, "." + name + ".XXXXXX");
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.valid()) return posixError(errno, "cannot create a temporary file for " + path);

    auto fail = [&](int code, const std::string& what) {
        fd.close();
        ::unlink(temporary.c_str());
        return posixError(code, what + path);
    };
    // mkostemp makes the file private; keep the mode of the file being replaced, or the
    // usual mode of a new file.
    struct stat existing {};
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
    if (::fchmod(fd.get(), mode) != 0) return fail(errno, "cannot set the mode of the file for ");
    if (int code = writeAll(fd.get(), bytes)) return fail(code, "cannot write ");
    if (::fsync(fd.get()) != 0) return fail(errno, "cannot flush ");
    if (fd.close() != 0) return fail(errno, "cannot write ");
    if (::rename(temporary.c_str(), path.c_str()) != 0) return fail(errno, "cannot replace ");

    // Makes the rename itself durable; a failure here does not undo the write.
    FileDescriptor directory(
        openRetrying(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY));
    if (directory.valid()) ::fsync(directory.get());
    return std::nullopt;
}

namespace {

// Reads `fd` to its end; more than `limit` bytes is an error.
Result<Bytes> readToEnd(int fd, const std::string& path, uint64_t limit) {
    Bytes bytes;
    uint8_t buffer[65536];
    while (true) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return posixError(errno, "cannot read " + path);
        }
        if (got == 0) break;
        if (static_cast<uint64_t>(got) > limit - bytes.size()) {
            return posixError(EFBIG, "cannot read " + path);
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

}  // namespace

Result<Bytes> readFile(const std::string& path) {
    FileDescriptor fd(openRetrying(path.c_str(), O_RDONLY));
    if (!fd.valid()) return posixError(errno, "cannot open " + path);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return posixError(errno, "cannot read " + path);
    if (S_ISDIR(info.st_mode)) return posixError(EISDIR, "cannot read " + path);
    return readToEnd(fd.get(), path, std::numeric_limits<uint64_t>::max());
}

Result<Bytes> readRegularFile(const std::string& path, uint64_t maxSize) {
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    FileDescriptor fd(openRetrying(path.c_str(), O_RDONLY | O_NONBLOCK));
    if (!fd.valid()) return posixError(errno, "cannot open " + path);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return posixError(errno, "cannot read " + path);
    if (!S_ISREG(info.st_mode)) {
        return posixError(S_ISDIR(info.st_mode) ? EISDIR : EINVAL,
                          "not a regular file: " + path + ", cannot read it");
    }
    if (static_cast<uint64_t>(info.st_size) > maxSize) {
        return posixError(EFBIG, "cannot read " + path);
    }
    return readToEnd(fd.get(), path, maxSize);
}

}  // namespace platform::foundation
