#include "tests/support/Waits.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/foundation/Dispatch.h"

namespace test_support {

namespace fd = platform::foundation;

namespace {

bool poll(const std::function<bool()>& done, double seconds, bool drain) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(seconds));
    while (true) {
        if (drain) fd::MainLoop::drain();
        if (done()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace

bool waitUntil(const std::function<bool()>& done, double seconds) {
    return poll(done, seconds, false);
}

bool drainUntil(const std::function<bool()>& done, double seconds) {
    return poll(done, seconds, true);
}

bool waitForWaiters(const fd::ManualClock& clock, int count) {
    return waitUntil([&] { return clock.waiterCount() >= count; }, 20);
}

void advanceInSteps(fd::ManualClock& clock, double seconds, double step) {
    while (seconds > 1e-9) {
        const double now = std::min(step, seconds);
        clock.advanceSeconds(now);
        seconds -= now;
        fd::MainLoop::drain();
    }
    fd::MainLoop::drain();
}

}  // namespace test_support
