#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/foundation/Clock.h"
#include "platform/sim/VirtualGlasses.h"
#include "tests/support/Waits.h"

namespace fd = platform::foundation;
using platform::sim::VirtualGlasses;

namespace {

using test_support::waitUntil;

}  // namespace

// A test replaces its manual clock while the glasses stream: the stream goes on in the new
// clock's time, and the replaced clock is not used after it is gone.
TEST(VirtualGlasses, StreamFollowsAClockReplacedWhileItRuns) {
    auto previous = fd::Clock::currentShared();
    auto first = std::make_shared<fd::ManualClock>();
    fd::Clock::setCurrent(first);
    {
        VirtualGlasses glasses(VirtualGlasses::secondGeneration());
        glasses.setImuRate(10);
        // The stream may still sleep as idle from before the rate was set, and an idle
        // stream starts its cadence only when it wakes: the first sample shows it streams,
        // and its next sleep is then on the cadence.
        ASSERT_TRUE(waitUntil([&] {
            if (first->waiterCount() > 0) first->advanceSeconds(0.1);
            return glasses.imuSamplesSent() >= 1;
        }));
        ASSERT_TRUE(waitUntil([&] { return first->waiterCount() > 0; }));
        first->advanceSeconds(100);
        ASSERT_TRUE(waitUntil([&] { return glasses.imuSamplesSent() >= 1000; }));

        std::weak_ptr<fd::ManualClock> replaced = first;
        auto second = std::make_shared<fd::ManualClock>();
        fd::Clock::setCurrent(second);
        first.reset();
        const uint64_t before = glasses.imuSamplesSent();
        // The new clock starts at 0: a stream still counting in the old clock's time would
        // stay silent here for 100 seconds. The clock moves (one second in all) only while
        // the stream sleeps on it, so a stream slow to notice the change misses none of it.
        int steps = 0;
        EXPECT_TRUE(waitUntil([&] {
            if (steps < 20 && second->waiterCount() > 0) {
                second->advanceSeconds(0.05);
                ++steps;
            }
            return glasses.imuSamplesSent() >= before + 5;
        }));
        EXPECT_TRUE(replaced.expired());
    }
    fd::Clock::setCurrent(previous);
}
