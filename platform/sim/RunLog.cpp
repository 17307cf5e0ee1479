#include "platform/sim/RunLog.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/Mutex.h"

namespace platform::sim {

RunLog::RunLog(const std::string& path, bool echo) : echo_(echo) {
    if (!path.empty()) file_ = std::fopen(path.c_str(), "a");
}

RunLog::~RunLog() {
    if (file_) std::fclose(file_);
}

void RunLog::line(const std::string& text) {
    using foundation::Clock;
    const double seconds = Clock::toSeconds(Clock::current().now().time_since_epoch());
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%9.3f] ", seconds);
    foundation::MutexLock lock(mutex_);
    if (file_) {
        std::fprintf(file_, "%s%s\n", stamp, text.c_str());
        std::fflush(file_);
    }
    if (echo_) {
        std::printf("%s%s\n", stamp, text.c_str());
        std::fflush(stdout);
    }
}

}  // namespace platform::sim
