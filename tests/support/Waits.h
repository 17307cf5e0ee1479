#pragma once
// Waits that end: each gives up after a bound and says whether its condition came true,
// so that a fault fails the test instead of hanging it. Real-time waits are for work of
// other threads; waits on a manual clock move the clock by hand. Main thread, except
// waitUntil and waitForWaiters, which any thread may call.

#include <functional>

#include "platform/foundation/Clock.h"

namespace test_support {

// Checks `done` every millisecond of real time, for at most `seconds`.
bool waitUntil(const std::function<bool()>& done, double seconds = 5);

// As waitUntil, running the main queue's due work before each check.
bool drainUntil(const std::function<bool()>& done, double seconds = 5);

// Until `count` threads sleep on `clock` (at most 20 s of real time), so that a test
// advances the clock only after its sleepers went to sleep.
bool waitForWaiters(const platform::foundation::ManualClock& clock, int count);

// Moves `clock` on by `seconds` in steps of at most `step`, running the main queue's due
// work after each.
void advanceInSteps(platform::foundation::ManualClock& clock, double seconds, double step);

}  // namespace test_support
