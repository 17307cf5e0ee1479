#pragma once
// A full disk without a disk to fill: while it lives, the process writes no file past
// `bytes` (such a write fails with EFBIG, as one on a full disk fails with ENOSPC), and the
// signal such a write raises is ignored. Process-wide: for tests that run alone in their
// process, as ctest runs each. Main thread.

#include <signal.h>
#include <sys/resource.h>

namespace test_support {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        ::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit previous_{};
    sighandler_t previousHandler_ = SIG_DFL;
};

}  // namespace test_support
