// File operations of FileSystem.h on POSIX calls: they give the errno that the error
// results carry, and the atomic write needs fsync, which std::filesystem does not offer.

#include "platform/foundation/FileSystem.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>

#include "platform/foundation/Descriptors.h"
#include "platform/foundation/PosixError.h"
#include "platform/foundation/WritableFile.h"

namespace platform::foundation {

namespace {

Date dateOf(const struct timespec& time) {
    return Date{static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) / 1e9};
}

}  // namespace

std::string resolvingFolders(const std::string& path) {
    const std::string name = lastPathComponent(path);
    if (name.empty() || name == "/" || name == "." || name == "..") return path;
    const std::string folder = deletingLastPathComponent(path);
    std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(folder.empty() ? "." : folder.c_str(), nullptr), &std::free);
    if (!resolved) return path;
    return appendPathComponent(resolved.get(), name);
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<Error> createDirectory(const std::string& path, bool withIntermediates,
                                     FolderAccess access) {
    const mode_t mode = access == FolderAccess::OwnerOnly ? 0700 : 0777;
    if (!withIntermediates) {
        if (::mkdir(path.c_str(), mode) != 0)
            return posixError(errno, "cannot create folder " + path);
        return std::nullopt;
    }
    // From the top down, so that every folder made here gets the mode, not only the last.
    for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string folder = path.substr(0, end);
        if (::mkdir(folder.c_str(), mode) != 0 && errno != EEXIST)
            return posixError(errno, "cannot create folder " + path);
        if (end == std::string::npos) break;
    }
    // An existing folder is what was asked for; anything else in its place is not.
    if (isDirectory(path)) return std::nullopt;
    return posixError(ENOTDIR, "cannot create folder " + path);
}

Result<std::string> createNewDirectory(const std::string& path) {
    if (auto error = createDirectory(deletingLastPathComponent(path), true)) return *error;
    std::optional<Error> failure;
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        const std::string name = attempt == 1 ? path : path + "-" + std::to_string(attempt);
        failure = createDirectory(name, false);
        if (!failure) return name;
        if (failure->code != EEXIST) break;
    }
    return *failure;
}

std::optional<Error> claimPrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return posixError(errno, "cannot create folder " + path);
    // Checked on the opened folder, so that what is checked is what is used.
    FileDescriptor folder(openRetrying(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
    if (!folder.valid()) {
        const int code = errno;
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
            return Error{"NSPOSIXErrorDomain", ELOOP, path + " is a symbolic link, not a folder"};
        return posixError(code, "cannot open folder " + path);
    }
    struct stat info {};
    if (::fstat(folder.get(), &info) != 0) return posixError(errno, "cannot open folder " + path);
    if (info.st_uid != ::geteuid()) {
        return Error{"NSPOSIXErrorDomain", EPERM,
                     path + " belongs to user " + std::to_string(info.st_uid) +
                         ", not to this user (" + std::to_string(::geteuid()) + ")"};
    }
    if ((info.st_mode & 077) != 0 && ::fchmod(folder.get(), 0700) != 0)
        return posixError(errno, "cannot make " + path + " private");
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
    auto file = WritableFile::open(path, WritableFile::Mode::Append);
    if (!file) return file.error();
    if (auto error = file->write(bytes)) return error;
    return file->close();
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
    // usual mode of a new file (also in place of a link, which the rename replaces: its
    // target's mode is not the file's).
    struct stat existing {};
    const mode_t mode = ::lstat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)
                            ? (existing.st_mode & 07777)
                            : 0644;
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
