#include <gtest/gtest.h>

#include <optional>

#include "platform/foundation/Clock.h"
#include "platform/sim/VirtualGlasses.h"
#include "tests/platform/sim/InputRecorder.h"
#include "tests/support/DeviceBytes.h"
#include "tests/support/Waits.h"

namespace fd = platform::foundation;
using platform::hid::ReportType;
using platform::sim::VirtualGlasses;

using namespace test_support;

namespace {

// Waits until `done` holds, advancing the clock by `step` whenever a thread sleeps on it.
bool pumpUntil(fd::ManualClock& clock, double step, const std::function<bool()>& done) {
    return waitUntil([&] {
        if (done()) return true;
        if (clock.waiterCount() > 0) clock.advanceSeconds(step);
        return false;
    });
}

// A command frame as the application sends it, or a reply as the glasses send it: kind
// 0x0040, command and subcommand, then the payload.
Bytes command(uint8_t code, uint8_t subcode, Runs payload = {}) {
    return overlay(frame(64, {{0, {0x40}}, {8, {code, 0, subcode}}}), payload);
}

class VirtualGlassesBytes : public ::testing::Test {
  protected:
    VirtualGlasses& make(platform::sim::VirtualGlassesConfig config) {
        replies_.reset();
        glasses_ = std::make_shared<VirtualGlasses>(std::move(config));
        replies_.emplace(*glasses_);
        return *glasses_;
    }
    // Sends as the application does (report 2, the report's 64 bytes); the replies.
    std::vector<Bytes> send(const Bytes& report) {
        EXPECT_EQ(glasses_->setReport(ReportType::Output, 2, report),
                  platform::hid::kIOReturnSuccess);
        return replies_->take();
    }

    std::shared_ptr<fd::ManualClock> clock_ = std::make_shared<fd::ManualClock>();
    fd::ScopedClock scoped_{clock_};
    std::shared_ptr<VirtualGlasses> glasses_;
    std::optional<InputRecorder> replies_;
};

TEST_F(VirtualGlassesBytes, RequestsAreAnsweredWithTheirFieldsInPlace) {
    auto config = VirtualGlasses::secondGeneration();
    config.imuOffsets = {1, -1, 2, 0.5f, -2, 0};
    config.factoryBias[2] = {25, 0.5f, -0.5f, 1};
    make(config);
    EXPECT_EQ(send(command(8, 1)),
              Replies{command(8, 1, {{12, {15, 0}}, {14, text("TAVRO2_FW_V1.65")}, {51, {'p'}}})});
    EXPECT_EQ(send(command(0x0C, 4)), Replies{command(0x0C, 4,
                                                      {{16, {0, 0, 0x80, 0x3F}},
                                                       {24, {0, 0, 0x80, 0xBF}},
                                                       {32, {0, 0, 0, 0x40}},
                                                       {40, {0, 0, 0, 0x3F, 0, 0, 0, 0xC0}}})});
    EXPECT_EQ(send(command(0x0C, 6, {{12, {1, 0x20, 16}}})),
              Replies{command(
                  0x0C, 6,
                  {{12, {1, 0x20, 16}},
                   {16, {0, 0, 0xC8, 0x41, 0, 0, 0, 0x3F, 0, 0, 0, 0xBF, 0, 0, 0x80, 0x3F}}})});
    // An entry past the sixth is answered, empty.
    EXPECT_EQ(send(command(0x0C, 6, {{12, {1, 0x60, 16}}})),
              Replies{command(0x0C, 6, {{12, {1, 0x60, 16}}})});
    EXPECT_EQ(send(command(5, 2)), Replies{command(5, 2, {{14, {62, 0, 68, 0}}})});

    // A version too long is cut where the IMU identifier begins.
    config = VirtualGlasses::firstGeneration();
    config.firmwareVersion = std::string(40, 'A');
    make(config);
    EXPECT_EQ(send(command(8, 1)),
              Replies{command(8, 1, {{12, {37, 0}}, {14, Bytes(37, 'A')}, {51, {'C'}}})});
}

TEST_F(VirtualGlassesBytes, UserEntriesImmersionAndTheStreamSwitchAreKeptAndReported) {
    VirtualGlasses& glasses = make(VirtualGlasses::secondGeneration());
    const Bytes values{0, 0, 0xF0, 0x41, 0, 0, 0, 0x40, 0, 0, 0x80, 0xBF, 0, 0, 0x80, 0x3E};
    EXPECT_TRUE(send(command(0x0C, 5, {{12, {2, 40, 20, 0, 2}}, {20, values}})).empty());
    const auto entry = glasses.userBiasEntry(2);
    EXPECT_EQ((std::array{entry.temperature, entry.x, entry.y, entry.z}),
              (std::array{30.0f, 2.0f, -1.0f, 0.25f}));
    EXPECT_EQ(send(command(0x0C, 6, {{12, {2, 40, 20}}})),
              Replies{command(0x0C, 6, {{12, {2, 40, 20}}, {20, values}})});
    // The seventh entry does not exist: nothing changes.
    send(command(0x0C, 5, {{12, {2, 120, 20, 0, 6}}, {20, values}}));
    EXPECT_EQ(glasses.userBiasEntry(5).temperature, 0);

    EXPECT_TRUE(send(command(1, 9, {{12, {90}}})).empty());
    EXPECT_EQ(glasses.immersion(), 90);
    send(firstBytes(command(1, 9, {{12, {91}}}), 12));
    EXPECT_EQ(glasses.immersion(), 90) << "a frame without the value";

    EXPECT_TRUE(send(command(0x0C, 1, {{12, {0}}})).empty());
    EXPECT_FALSE(glasses.imuStreamOn());
    send(command(0x0C, 1, {{12, {0x1F}}}));
    EXPECT_TRUE(glasses.imuStreamOn());

    glasses.reportDisplayStatus(0xFFFE);
    glasses.reportImmersionChange(6);
    EXPECT_EQ(replies_->take(),
              (Replies{command(0x10, 7, {{12, {0xFE, 0xFF}}}), command(2, 9, {{12, {6}}})}));
    EXPECT_EQ(glasses.immersion(), 6);
}

TEST_F(VirtualGlassesBytes, OtherFramesAreRecordedButNeitherAnsweredNorObeyed) {
    VirtualGlasses& glasses = make(VirtualGlasses::secondGenerationPro());
    const std::vector<Bytes> frames = {
        command(0x0B, 2, {{12, {7}}}),                // volume
        command(1, 6, {{15, {200}}}),                 // brightness duty
        command(1, 4, {{12, {0x00, 0x0F}}}),          // 3D mode
        command(6, 1, {{12, {1, 0, 50, 0, 55, 0}}}),  // wear detection
        command(0x77, 1),                             // unknown command
        frame(64, {{0, {0x41}}, {8, {8, 0, 1}}}),     // version request of another kind
        firstBytes(command(8, 1), 11),                // cut inside the header
        {},
    };
    for (const Bytes& each : frames) EXPECT_TRUE(send(each).empty()) << each.size();
    const auto recorded = glasses.outputReports();
    ASSERT_EQ(recorded.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(recorded[i].bytes, frames[i]);
        EXPECT_EQ(recorded[i].reportId, 2);
    }
    EXPECT_EQ(glasses.immersion(), 0);
    EXPECT_TRUE(glasses.imuStreamOn());
}

TEST_F(VirtualGlassesBytes, SamplesFollowTheClockWhileTheStreamIsOn) {
    VirtualGlasses& glasses = make(VirtualGlasses::secondGeneration());
    glasses.setImuRate(10);
    ASSERT_TRUE(pumpUntil(*clock_, 0.1, [&] { return replies_->count() >= 3; }));
    const auto samples = replies_->take();
    const auto sample = [](Bytes values) { return frame(64, {{0, {0x20}}, {28, values}}); };
    EXPECT_EQ(samples[0], sample({0, 0, 100, 0, 200, 0, 0x2C, 1, 0x90, 1, 0xF4, 1, 0x58, 2}));
    EXPECT_EQ(samples[2], sample({2, 0, 102, 0, 202, 0, 0x2E, 1, 0x92, 1, 0xF6, 1, 0x5A, 2}));

    // Once the stream sleeps with nothing in flight, switching it off stops it: ten
    // seconds later it has sent nothing more.
    ASSERT_TRUE(waitUntil([&] {
        return clock_->waiterCount() > 0 &&
               glasses.imuSamplesSent() == samples.size() + replies_->count();
    }));
    send(command(0x0C, 1, {{12, {0}}}));
    const uint64_t sent = glasses.imuSamplesSent();
    clock_->advanceSeconds(10);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(glasses.imuSamplesSent(), sent);

    make(VirtualGlasses::firstGeneration()).setImuRate(1000);
    ASSERT_TRUE(pumpUntil(*clock_, 0.001, [&] { return replies_->count() >= 1; }));
    EXPECT_EQ(replies_->take()[0], frame(64, {{0, {0x20}}, {28, {0, 0, 0x80, 0x3F}}}));
}

// A test replaces its manual clock while the glasses stream: the stream goes on in the new
// clock's time, and the replaced clock is not used after it is gone.
TEST(VirtualGlasses, StreamFollowsAClockReplacedWhileItRuns) {
    auto previous = fd::Clock::currentShared();
    auto first = std::make_shared<fd::ManualClock>();
    fd::Clock::setCurrent(first);
    {
        VirtualGlasses glasses(VirtualGlasses::secondGeneration());
        glasses.setImuRate(10);
        // An idle stream starts its cadence when it wakes: after the first sample its
        // next sleep is on the cadence.
        ASSERT_TRUE(pumpUntil(*first, 0.1, [&] { return glasses.imuSamplesSent() >= 1; }));
        ASSERT_TRUE(waitForWaiters(*first, 1));
        first->advanceSeconds(100);
        ASSERT_TRUE(waitUntil([&] { return glasses.imuSamplesSent() >= 1000; }));

        std::weak_ptr<fd::ManualClock> replaced = first;
        auto second = std::make_shared<fd::ManualClock>();
        fd::Clock::setCurrent(second);
        first.reset();
        const uint64_t before = glasses.imuSamplesSent();
        // The new clock starts at 0: a stream still counting in the old clock's time would
        // stay silent for 100 seconds. The clock moves (one second in all) only while the
        // stream sleeps on it, so a stream slow to notice the change misses none of it.
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

}  // namespace
