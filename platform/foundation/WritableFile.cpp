#include "platform/foundation/WritableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/foundation/Descriptors.h"
#include "platform/foundation/PosixError.h"

namespace platform::foundation {

Result<WritableFile> WritableFile::open(const std::string& path, Mode mode) {
    const int flags =
        O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | (mode == Mode::Append ? O_APPEND : O_TRUNC);
    const auto notRegular = [&path](int code) {
        return Error{"NSPOSIXErrorDomain", code,
                     "not a regular file: " + path + ", cannot write it"};
    };
    FileDescriptor fd(openRetrying(path.c_str(), flags, 0644));
    // What a FIFO without a reader answers a non-blocking open for writing.
    if (!fd.valid() && errno == ENXIO) return notRegular(ENXIO);
    if (!fd.valid()) return posixError(errno, "cannot open " + path);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return posixError(errno, "cannot open " + path);
    if (!S_ISREG(info.st_mode)) return notRegular(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    // Only the open had to be spared a wait; the writes block as writes to a file do.
    const int status = ::fcntl(fd.get(), F_GETFL);
    if (status < 0 || ::fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK) != 0)
        return posixError(errno, "cannot open " + path);
    return WritableFile(fd.release(), path);
}

WritableFile::WritableFile(WritableFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

WritableFile& WritableFile::operator=(WritableFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

WritableFile::~WritableFile() {
    close();
}

std::optional<Error> WritableFile::write(std::span<const uint8_t> bytes) {
    if (fd_ < 0) return posixError(EBADF, "cannot write " + path_);
    if (int code = writeAll(fd_, bytes)) return posixError(code, "cannot write " + path_);
    return std::nullopt;
}

std::optional<Error> WritableFile::close() {
    if (fd_ < 0) return std::nullopt;
    if (::close(std::exchange(fd_, -1)) != 0) return posixError(errno, "cannot write " + path_);
    return std::nullopt;
}

}  // namespace platform::foundation
