#pragma once
// The log of one application run on the simulated Mac: panel changes, alerts, pictures
// written and scenario steps, one line each with the clock time, appended to a file (when
// given) and echoed to standard output. The file is opened as files in a shared folder must
// be (a link or a FIFO in its place is refused, see WritableFile.h). A line the file does
// not take (a full disk) ends the file: the first failure is told once on standard error,
// since the log cannot hold its own failure, and failure() keeps it for the run's result.
// Thread-safe.

#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/WritableFile.h"

namespace platform::sim {

class RunLog {
  public:
    // An empty path keeps no file.
    explicit RunLog(const std::string& path, bool echo = true);
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    void line(const std::string& text);
    // Why the file misses lines from some point on; empty while it holds every line.
    std::string failure() const;

  private:
    void fail(const foundation::Error& error) TAVRO_REQUIRES(mutex_);

    mutable foundation::Mutex mutex_;
    std::optional<foundation::WritableFile> file_ TAVRO_GUARDED_BY(mutex_);
    std::string failure_ TAVRO_GUARDED_BY(mutex_);
    const bool echo_;
};

}  // namespace platform::sim
