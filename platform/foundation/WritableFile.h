#pragma once
// A regular file open for writing, opened the way a file in a folder that others may reach
// must be: a symbolic link in the file's place is refused, never followed (it would lead
// the write to a file elsewhere); a FIFO or a device is refused at once, never waited on
// (opening a FIFO for writing waits for a reader, without end); the descriptor is not
// inherited by child processes. A write is whole or an error: a full disk is reported,
// never taken as written.
//
// Move-only; one thread at a time.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/Result.h"

namespace platform::foundation {

class WritableFile {
  public:
    enum class Mode {
        Append,   // written after what the file holds
        Replace,  // emptied first
    };
    // Creates the file (owner read-write, others read) when it is missing.
    static Result<WritableFile> open(const std::string& path, Mode mode);

    WritableFile(WritableFile&& other) noexcept;
    WritableFile& operator=(WritableFile&& other) noexcept;
    ~WritableFile();
    WritableFile(const WritableFile&) = delete;
    WritableFile& operator=(const WritableFile&) = delete;

    std::optional<Error> write(std::span<const uint8_t> bytes);
    // A write the system delayed and could not complete is reported here.
    std::optional<Error> close();
    const std::string& path() const { return path_; }

  private:
    WritableFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_ = -1;
    std::string path_;
};

}  // namespace platform::foundation
