#pragma once
// Waits that give up after a bound and say whether their condition came true, so that a
// fault fails the test instead of hanging it. Main thread, except waitUntil and
// waitForWaiters, which any thread may call.

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"

namespace test_support {

// Checks `done` every millisecond of real time, for at most `seconds`.
inline bool waitUntil(const std::function<bool()>& done, double seconds = 5) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(seconds));
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// As waitUntil, running the main queue's due work before each check.
inline bool drainUntil(const std::function<bool()>& done, double seconds = 5) {
    return waitUntil([&] { return platform::foundation::MainLoop::drain(), done(); }, seconds);
}

// Until `count` threads sleep on `clock` (20 s at most), so that a test advances the clock
// only once its sleepers sleep.
inline bool waitForWaiters(const platform::foundation::ManualClock& clock, int count) {
    return waitUntil([&] { return clock.waiterCount() >= count; }, 20);
}

// Moves `clock` on by `seconds` in steps of at most `step`, running the main queue's due
// work after each.
inline void advanceInSteps(platform::foundation::ManualClock& clock, double seconds, double step) {
    for (; seconds > 1e-9; seconds -= step) {
        clock.advanceSeconds(std::min(step, seconds));
        platform::foundation::MainLoop::drain();
    }
    platform::foundation::MainLoop::drain();
}

}  // namespace test_support
