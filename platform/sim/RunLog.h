#pragma once
// The log of one application run on the simulated Mac: panel changes, alerts, pictures
// written and scenario steps, one line each with the clock time, appended to a file (when
// given) and echoed to standard output. Thread-safe.

#include <cstdio>
#include <string>

#include "platform/foundation/Mutex.h"

namespace platform::sim {

class RunLog {
  public:
    // An empty path keeps no file.
    explicit RunLog(const std::string& path, bool echo = true);
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    void line(const std::string& text);

  private:
    foundation::Mutex mutex_;
    std::FILE* file_ TAVRO_GUARDED_BY(mutex_) = nullptr;
    const bool echo_;
};

}  // namespace platform::sim
