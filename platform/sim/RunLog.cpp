#include "platform/sim/RunLog.h"

#include <cstdio>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Mutex.h"

namespace platform::sim {

RunLog::RunLog(const std::string& path, bool echo) : echo_(echo) {
    if (path.empty()) return;
    auto opened = foundation::WritableFile::open(path, foundation::WritableFile::Mode::Append);
    foundation::MutexLock lock(mutex_);
    if (opened) {
        file_.emplace(std::move(opened).value());
    } else {
        fail(opened.error());
    }
}

void RunLog::fail(const foundation::Error& error) {
    // The file ends where it missed a line, rather than going on with a hole in it.
    file_.reset();
    if (!failure_.empty()) return;
    failure_ = error.localizedDescription;
    std::fprintf(stderr, "run log: %s; the lines from here on are not in it\n", failure_.c_str());
    std::fflush(stderr);
}

std::string RunLog::failure() const {
    foundation::MutexLock lock(mutex_);
    return failure_;
}

void RunLog::line(const std::string& text) {
    using foundation::Clock;
    const double seconds = Clock::toSeconds(Clock::current().now().time_since_epoch());
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%9.3f] ", seconds);
    const std::string stamped = stamp + text + "\n";
    foundation::MutexLock lock(mutex_);
    if (file_) {
        if (auto error = file_->write(
                std::span(reinterpret_cast<const uint8_t*>(stamped.data()), stamped.size()))) {
            fail(*error);
        }
    }
    if (echo_) {
        std::fputs(stamped.c_str(), stdout);
        std::fflush(stdout);
    }
}

}  // namespace platform::sim
