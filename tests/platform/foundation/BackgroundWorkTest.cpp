// The quit's beginning as background work sees it: a sleep ends at once, not at the end of
// its own time.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Clock.h"

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

}  // namespace
}  // namespace platform::foundation
