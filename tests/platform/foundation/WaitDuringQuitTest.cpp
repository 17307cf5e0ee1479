// The quit's own waits end at their bound in real time, whatever the application's clock
// does, and keep the main queue running while they wait.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"

namespace {

namespace fd = platform::foundation;
using namespace std::chrono_literals;

TEST(WaitDuringQuit, EndsAtItsRealTimeBoundOnASlowOrStoppedClock) {
    for (auto clock : std::vector<std::shared_ptr<fd::Clock>>{
             std::make_shared<fd::ManualClock>(), std::make_shared<fd::RealClock>(0.01)}) {
        fd::ScopedClock scoped(clock);
        std::atomic<int> ran{0};
        fd::mainQueue()->async([&] { ++ran; });
        const auto begun = std::chrono::steady_clock::now();
        EXPECT_FALSE(fd::BackgroundWork::waitDuringQuit([] { return false; }, 200ms));
        const auto took = std::chrono::steady_clock::now() - begun;
        EXPECT_GE(took, 200ms);
        EXPECT_LT(took, 1500ms);
        EXPECT_EQ(ran.load(), 1) << "the main queue ran while it waited";
    }
}

TEST(WaitDuringQuit, EndsAsSoonAsItsConditionHolds) {
    fd::ScopedClock scoped(std::make_shared<fd::ManualClock>());
    std::atomic<bool> done{false};
    fd::globalQueue()->async([&] { done = true; });
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_TRUE(fd::BackgroundWork::waitDuringQuit([&] { return done.load(); }, 10s));
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 2s);
}

}  // namespace
