// The privacy screen's fade and restore, written against a display server that records
// every brightness write. The fade runs on the named timers' global queue: on a manual clock
// each millisecond step lets exactly one tick run.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "appstate/AppDelegate.h"
#include "platform/foundation/Clock.h"
#include "platform/screens/DisplayServer.h"
#include "tests/support/Waits.h"

namespace fd = platform::foundation;
namespace screens = platform::screens;
using test_support::waitUntil;  // real time, for work on the global queues

namespace {

// One built-in panel that records every brightness write, can read back 0 for its next
// reads (a panel that takes a moment to apply a write), and can go (lid closed).
// Thread-safe.
class BrightnessDisplayServer final : public screens::DisplayServer {
  public:
    static constexpr screens::DisplayId kPanel = 1;
    explicit BrightnessDisplayServer(float brightness) : brightness_(brightness) {}

    std::vector<float> writes() const {
        std::lock_guard lock(mutex_);
        return writes_;
    }
    size_t writeCount() const { return writes().size(); }
    void setLaggingReads(int reads) {
        std::lock_guard lock(mutex_);
        pendingLag_ = reads;
    }
    void setPanelPresent(bool present) {
        std::lock_guard lock(mutex_);
        present_ = present;
    }

    std::vector<screens::DisplayInfo> displays() const override {
        std::lock_guard lock(mutex_);
        screens::DisplayInfo panel;
        panel.id = kPanel;
        panel.name = "Built-in Retina Display";
        panel.builtin = true;
        panel.modes = {{1512, 982, 120}};
        return present_ ? std::vector{panel} : std::vector<screens::DisplayInfo>{};
    }
    std::optional<float> brightness(screens::DisplayId display) const override {
        std::lock_guard lock(mutex_);
        if (!present_ || display != kPanel) return std::nullopt;
        return pendingLag_ > 0 ? (--pendingLag_, 0.0f) : brightness_;
    }
    screens::DisplayError setBrightness(screens::DisplayId display, float value) override {
        std::lock_guard lock(mutex_);
        if (!present_ || display != kPanel) return screens::kDisplayIllegalArgument;
        writes_.push_back(value);
        brightness_ = value;
        return screens::kDisplaySuccess;
    }
    // Nothing else of a display server is asked for.
    screens::DisplayError applyConfiguration(
        const std::vector<screens::ConfigurationChange>&) override {
        return screens::kDisplayFailure;
    }
    screens::DisplayError setMode(screens::DisplayId, const screens::DisplayMode&) override {
        return screens::kDisplayFailure;
    }
    bool supportsVirtualDisplays() const override { return false; }
    screens::DisplayId reserveDisplayId() override { return 0; }
    bool addVirtualDisplay(screens::DisplayId, const screens::VirtualDisplayTraits&) override {
        return false;
    }
    void removeVirtualDisplay(screens::DisplayId) override {}
    std::optional<platform::foundation::ValueDictionary> sessionDictionary() const override {
        return std::nullopt;
    }
    screens::DisplayError moveCursor(screens::Point) override { return screens::kDisplaySuccess; }

  private:
    mutable std::mutex mutex_;
    float brightness_;
    std::vector<float> writes_;
    mutable int pendingLag_ = 0;
    bool present_ = true;
};

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
    // Starts the fade and lets it write `writes` values.
    void fade(size_t writes) {
        delegate().closeBuiltinBrightness();
        ASSERT_TRUE(waitUntil([&] { return server_->writeCount() >= 1; }));  // start delay 0
        for (size_t n = 2; n <= writes; ++n) tick(n);
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
    fade(251);
    EXPECT_EQ(delegate().defaultBrightness.load(), 0.8f);
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
    delegate().restoreBuiltinBrightness();  // normal again: nothing to write
    EXPECT_EQ(server_->writeCount(), 252u);
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
    // Nor does the quit wait for a panel that is gone (a lid closed on a docked Mac).
    const auto begun = std::chrono::steady_clock::now();
    delegate().restoreBuiltinBrightnessBeforeQuit();
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(750));
    EXPECT_EQ(server_->writeCount(), 0u);
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

// The quit's retries pause in real time: they hold up the end of the process, also on a
// clock that does not move.
TEST_F(BrightnessTest, RestoreBeforeQuitWaitsForTheWriteToTake) {
    delegate().defaultBrightness = 0.6f;
    server_->setLaggingReads(3);
    std::thread quitting([&] { delegate().restoreBuiltinBrightnessBeforeQuit(); });
    EXPECT_TRUE(waitUntil([&] { return delegate().defaultBrightness.load() == 0; }));
    if (delegate().defaultBrightness.load() != 0) clock_->advanceSeconds(60);
    quitting.join();
    EXPECT_GE(server_->writeCount(), 2u);
    EXPECT_EQ(server_->writes().back(), 0.6f);
}

TEST_F(BrightnessTest, RestoreBeforeQuitGivesUpWithinItsBound) {
    delegate().defaultBrightness = 0.6f;
    server_->setLaggingReads(1 << 30);
    std::atomic<bool> returned{false};
    std::thread quitting([&] {
        delegate().restoreBuiltinBrightnessBeforeQuit();
        returned = true;
    });
    // Ten tries 0.15 s apart.
    EXPECT_TRUE(waitUntil([&] { return returned.load(); }, 3));
    while (!returned) clock_->advanceSeconds(1);
    quitting.join();
    EXPECT_EQ(server_->writeCount(), 10u);
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
