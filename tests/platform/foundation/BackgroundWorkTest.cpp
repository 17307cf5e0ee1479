// The quit's beginning as background work sees it: a sleep ends at once, not at the end of
// its own time. And the quit's own waits: they end at their bound in real time, whatever the
// application's clock does, and keep the main queue running while they wait.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"

namespace platform::foundation {
namespace {

class BackgroundWorkTest : public ::testing::Test {
  protected:
    // Later tests of this process may hold work again.
    void TearDown() override { BackgroundWork::resume(); }

    // Real time at its own pace: a sleep that is not woken lasts its whole length.
    ScopedClock realTime_{std::make_shared<RealClock>(1.0)};
};

TEST_F(BackgroundWorkTest, ASleepEndsAsTheQuitBeginsAndSaysSo) {
    std::promise<void> asleep;
    auto slept = std::async(std::launch::async, [&asleep] {
        asleep.set_value();
        return BackgroundWork::sleepForSeconds(8);
    });
    asleep.get_future().wait();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // in its wait by now
    const auto begun = std::chrono::steady_clock::now();
    BackgroundWork::beginQuit();
    ASSERT_EQ(slept.wait_for(std::chrono::seconds(1)), std::future_status::ready)
        << "the sleeper slept on past the quit";
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(1));
    EXPECT_FALSE(slept.get());
    // Once the quit has begun, a sleep does not start at all.
    const auto late = std::chrono::steady_clock::now();
    EXPECT_FALSE(BackgroundWork::sleepForSeconds(8));
    EXPECT_LT(std::chrono::steady_clock::now() - late, std::chrono::milliseconds(500));
}

TEST_F(BackgroundWorkTest, ASleepWithoutAQuitLastsItsTimeAndSaysSo) {
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_TRUE(BackgroundWork::sleepForSeconds(0.2));
    EXPECT_GE(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(200));
}

// Off the main thread the quit waits on the holds themselves: it ends as the last one is
// dropped, not at its bound, and at its bound when one is never dropped.
TEST_F(BackgroundWorkTest, AQuitOffTheMainThreadEndsWithTheLastHoldOrAtItsBound) {
    using namespace std::chrono_literals;
    BackgroundWork::Hold work = BackgroundWork::hold();
    auto quit = std::async(std::launch::async, [] { return BackgroundWork::finish(3s); });
    EXPECT_EQ(quit.wait_for(50ms), std::future_status::timeout) << "the quit left the work running";
    work.reset();
    ASSERT_EQ(quit.wait_for(1s), std::future_status::ready) << "the quit waited on";
    EXPECT_TRUE(quit.get());

    BackgroundWork::Hold stuck = BackgroundWork::hold();
    auto bounded = std::async(std::launch::async, [] { return BackgroundWork::finish(100ms); });
    const bool endedAtItsBound = bounded.wait_for(2s) == std::future_status::ready;
    stuck.reset();  // lets a quit that waits on end
    EXPECT_TRUE(endedAtItsBound);
    EXPECT_FALSE(bounded.get());
}

TEST(WaitDuringQuit, EndsAtItsRealTimeBoundOnASlowOrStoppedClock) {
    using namespace std::chrono_literals;
    for (auto clock : std::vector<std::shared_ptr<Clock>>{std::make_shared<ManualClock>(),
                                                          std::make_shared<RealClock>(0.01)}) {
        ScopedClock scoped(clock);
        std::atomic<int> ran{0};
        mainQueue()->async([&] { ++ran; });
        const auto begun = std::chrono::steady_clock::now();
        EXPECT_FALSE(BackgroundWork::waitDuringQuit([] { return false; }, 200ms));
        const auto took = std::chrono::steady_clock::now() - begun;
        EXPECT_GE(took, 200ms);
        EXPECT_LT(took, 1500ms);
        EXPECT_EQ(ran.load(), 1) << "the main queue ran while it waited";
    }
}

TEST(WaitDuringQuit, EndsAsSoonAsItsConditionHolds) {
    ScopedClock scoped(std::make_shared<ManualClock>());
    std::atomic<bool> done{false};
    globalQueue()->async([&] { done = true; });
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_TRUE(
        BackgroundWork::waitDuringQuit([&] { return done.load(); }, std::chrono::seconds(10)));
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(2));
}

}  // namespace
}  // namespace platform::foundation
