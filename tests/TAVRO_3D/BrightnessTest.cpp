// The privacy screen's fade and restore, written against a display server that records
// every brightness write. The fade runs on the named timers' global queue: on a manual clock
// each millisecond step lets exactly one tick run.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "BrightnessDisplayServer.h"
#include "appstate/AppDelegate.h"
#include "platform/foundation/Clock.h"
#include "tests/support/Waits.h"

namespace fd = platform::foundation;
namespace screens = platform::screens;

namespace {

// Waits in real time for work on the global queues; the clock does not move.
using test_support::waitUntil;

class BrightnessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = screens::displayServer();
        screens::installDisplayServer(server_);
        delegate().defaultBrightness = 0;
        delegate().builtinDisplayID = BrightnessDisplayServer::kPanel;
    }
    void TearDown() override {
        delegate().restoreBuiltinBrightness();
        // Lets pending retries find nothing to do before the server goes.
        delegate().defaultBrightness = 0;
        delegate().builtinDisplayID = 0;
        screens::installDisplayServer(previous_);
    }
    static AppDelegate& delegate() { return AppDelegate::shared(); }

    // One millisecond of clock time, then waits until the tick it allowed has written.
    void tick(size_t expectedWrites) {
        clock_->advanceSeconds(0.001);
        ASSERT_TRUE(waitUntil([&] { return server_->writeCount() >= expectedWrites; }))
            << "after write " << expectedWrites - 1;
    }
    // Moves the clock and gives any tick that wrongly remains time to show itself.
    void idle(double seconds) {
        for (int i = 0; i < 10; ++i) {
            clock_->advanceSeconds(seconds / 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    std::shared_ptr<fd::ManualClock> clock_ = std::make_shared<fd::ManualClock>();
    fd::ScopedClock scoped_{clock_};
    std::shared_ptr<screens::DisplayServer> previous_;
    std::shared_ptr<BrightnessDisplayServer> server_ =
        std::make_shared<BrightnessDisplayServer>(0.8f);
};

TEST_F(BrightnessTest, FadeWritesALinearRampOf251ValuesEndingAtZeroThenStops) {
    delegate().closeBuiltinBrightness();
    EXPECT_EQ(delegate().defaultBrightness.load(), 0.8f);
    ASSERT_TRUE(waitUntil([&] { return server_->writeCount() >= 1; }));  // start delay 0
    for (size_t n = 2; n <= 251; ++n) tick(n);
    idle(0.05);
    const auto writes = server_->writes();
    ASSERT_EQ(writes.size(), 251u);
    EXPECT_EQ(writes[0], 0.8f);
    EXPECT_FLOAT_EQ(writes[125], 0.4f);  // linear: half way at half time
    EXPECT_EQ(writes[250], 0.0f);
    for (size_t i = 1; i < writes.size(); ++i) EXPECT_LT(writes[i], writes[i - 1]) << i;

    // Dark: a second call saves nothing new and starts no fade.
    delegate().closeBuiltinBrightness();
    idle(0.05);
    EXPECT_EQ(server_->writeCount(), 251u);
    EXPECT_EQ(delegate().defaultBrightness.load(), 0.8f);

    delegate().restoreBuiltinBrightness();
    EXPECT_EQ(server_->writes().back(), 0.8f);
    EXPECT_EQ(delegate().defaultBrightness.load(), 0.0f);
}

TEST_F(BrightnessTest, RestoreInTheMiddleOfAFadeStopsItAndWritesTheSavedValueLast) {
    delegate().closeBuiltinBrightness();
    ASSERT_TRUE(waitUntil([&] { return server_->writeCount() >= 1; }));
    for (size_t n = 2; n <= 100; ++n) tick(n);
    delegate().restoreBuiltinBrightness();
    idle(0.5);
    EXPECT_EQ(server_->writeCount(), 101u);
    EXPECT_EQ(server_->writes().back(), 0.8f);
    EXPECT_EQ(delegate().defaultBrightness.load(), 0.0f);

    // Normal again: a restore writes nothing; a new fade starts from the restored value.
    delegate().restoreBuiltinBrightness();
    EXPECT_EQ(server_->writeCount(), 101u);
    delegate().closeBuiltinBrightness();
    EXPECT_EQ(delegate().defaultBrightness.load(), 0.8f);
}

TEST_F(BrightnessTest, RestoreRetriesUntilTheWriteReadsBack) {
    delegate().defaultBrightness = 0.6f;
    server_->setLaggingReads(2);
    delegate().restoreBuiltinBrightness();
    EXPECT_EQ(server_->writeCount(), 1u);
    EXPECT_EQ(delegate().defaultBrightness.load(), 0.6f);
    // Each retry writes before it schedules the next one: moving the clock between the two
    // would leave the next retry a full delay away. The scheduler sleeps on the clock only
    // once a retry is pending.
    ASSERT_TRUE(test_support::waitForWaiters(*clock_, 1));
    clock_->advanceSeconds(0.15);
    ASSERT_TRUE(waitUntil([&] { return server_->writeCount() >= 2; }));
    EXPECT_EQ(delegate().defaultBrightness.load(), 0.6f);
    ASSERT_TRUE(test_support::waitForWaiters(*clock_, 1));
    clock_->advanceSeconds(0.15);
    ASSERT_TRUE(waitUntil([&] { return delegate().defaultBrightness.load() == 0; }));
    idle(1.0);
    EXPECT_EQ(server_->writeCount(), 3u);
    for (float value : server_->writes()) EXPECT_EQ(value, 0.6f);
}

TEST_F(BrightnessTest, RetriesStopWhileThePanelIsGoneAndTheSavedValueStays) {
    delegate().defaultBrightness = 0.6f;
    server_->setPanelPresent(false);
    delegate().restoreBuiltinBrightness();
    idle(1.0);
    EXPECT_EQ(server_->writeCount(), 0u);
    EXPECT_EQ(delegate().defaultBrightness.load(), 0.6f);

    server_->setPanelPresent(true);
    delegate().restoreBuiltinBrightness();
    EXPECT_EQ(server_->writes(), std::vector<float>{0.6f});
    EXPECT_EQ(delegate().defaultBrightness.load(), 0.0f);
}

TEST_F(BrightnessTest, WithoutABuiltInDisplayNothingHappensEitherWay) {
    delegate().builtinDisplayID = 0;
    delegate().closeBuiltinBrightness();
    EXPECT_EQ(delegate().defaultBrightness.load(), 0.0f);
    delegate().restoreBuiltinBrightness();
    idle(0.5);
    EXPECT_EQ(server_->writeCount(), 0u);
}

TEST_F(BrightnessTest, RestoreBeforeQuitWaitsForTheWriteToTake) {
    delegate().defaultBrightness = 0.6f;
    server_->setLaggingReads(3);
    std::thread quitting([&] { delegate().restoreBuiltinBrightnessBeforeQuit(); });
    // The quitting thread sleeps on the clock between tries: move it along.
    EXPECT_TRUE(waitUntil([&] {
        if (clock_->waiterCount() > 0) clock_->advanceSeconds(0.15);
        return delegate().defaultBrightness.load() == 0;
    }));
    quitting.join();
    EXPECT_GE(server_->writeCount(), 2u);
    EXPECT_EQ(server_->writes().back(), 0.6f);
}

// Real time, so that ticks and the restore truly run at once (the thread sanitizer's case):
// whatever tick was running when the restore began, nothing dimmer follows its write.
TEST(BrightnessRaceTest, NoTickWritesAfterARestoreThatRacesIt) {
    fd::ScopedClock fast(std::make_shared<fd::RealClock>(1.0));
    auto previous = screens::displayServer();
    for (int round = 0; round < 20; ++round) {
        auto server = std::make_shared<BrightnessDisplayServer>(0.8f);
        screens::installDisplayServer(server);
        AppDelegate& delegate = AppDelegate::shared();
        delegate.defaultBrightness = 0;
        delegate.builtinDisplayID = BrightnessDisplayServer::kPanel;
        delegate.closeBuiltinBrightness();
        std::this_thread::sleep_for(std::chrono::microseconds(500 * (round % 7)));
        delegate.restoreBuiltinBrightness();
        size_t count = server->writeCount();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(server->writeCount(), count) << round;
        EXPECT_EQ(server->writes().back(), 0.8f) << round;
        EXPECT_EQ(delegate.defaultBrightness.load(), 0.0f);
    }
    AppDelegate::shared().builtinDisplayID = 0;
    screens::installDisplayServer(previous);
}

}  // namespace
