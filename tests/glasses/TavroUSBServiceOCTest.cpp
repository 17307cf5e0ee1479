#include <gtest/gtest.h>

#include "glasses/TavroUSBServiceOC.h"
#include "platform/capture/CaptureServices.h"

namespace capture = platform::capture;
namespace fd = platform::foundation;

namespace {

class TavroUSBServiceOCTest : public ::testing::Test {
  protected:
    void TearDown() override { capture::installCaptureMachine(nullptr); }
    TavroUSBServiceOC& service_ = TavroUSBServiceOC::shareManager();
};

TEST_F(TavroUSBServiceOCTest, ScreenRecordingIsCheckedWithoutPromptAndPromptedOnRequest) {
    EXPECT_FALSE(service_.canRecordScreen());  // no machine to ask
    auto machine = std::make_shared<capture::CaptureMachine>(false, true);
    capture::installCaptureMachine(machine);
    EXPECT_FALSE(service_.canRecordScreen());
    EXPECT_EQ(machine->screenRecordingPrompts(), 0);
    service_.showScreenRecordingPrompt();
    EXPECT_EQ(machine->screenRecordingPrompts(), 1);
    machine->setScreenRecordingAllowed(true);
    EXPECT_TRUE(service_.canRecordScreen());
    service_.showScreenRecordingPrompt();
    EXPECT_EQ(machine->screenRecordingPrompts(), 1);
}

TEST_F(TavroUSBServiceOCTest, SyntheticKeysAndScrollsAreKeptInOrder) {
    auto machine = std::make_shared<capture::CaptureMachine>(true, true);
    capture::installCaptureMachine(machine);
    service_.handleThreeFingerSwipeIsLeft(4);
    service_.handleThreeFingerSwipeIsLeft(-1);
    EXPECT_TRUE(machine->postedEvents().empty());
    service_.handleThreeFingerSwipeIsLeft(2);
    auto posted = machine->postedEvents();
    ASSERT_EQ(posted.size(), 4u);
    EXPECT_EQ(posted[0].event.keyCode, 59);
    EXPECT_EQ(posted[0].event.type, capture::EventType::KeyDown);
    EXPECT_EQ(posted[0].event.flags, capture::kEventFlagControl);
    EXPECT_EQ(posted[1].event.keyCode, 123);
    EXPECT_EQ(posted[2].event.type, capture::EventType::KeyUp);
    EXPECT_EQ(posted[3].event.keyCode, 59);
    EXPECT_EQ(posted[3].event.type, capture::EventType::KeyUp);

    service_.simulateThreeFingerSwipeUp();
    posted = machine->postedEvents();
    ASSERT_EQ(posted.size(), 7u);
    EXPECT_EQ(posted[4].event.scrollPhase, 1);
    EXPECT_EQ(posted[4].event.scrollCount, 3);
    EXPECT_EQ(posted[5].event.scrollPhase, 2);
    EXPECT_EQ(posted[5].event.deltaAxis1, -15.0);
    EXPECT_EQ(posted[6].event.scrollPhase, 4);
    EXPECT_EQ(posted[6].event.source, capture::EventSourceState::HidSystem);
}

TEST_F(TavroUSBServiceOCTest, CapturedFramesBecomeImagesAndDataOfTheirPaddedRows) {
    auto pixels = std::make_shared<capture::PixelBuffer>(2, 2, 16);  // 8 bytes of padding
    pixels->lockBaseAddress();
    uint8_t* base = pixels->baseAddress();
    const uint8_t bgra[4] = {10, 20, 30, 255};
    std::copy(bgra, bgra + 4, base + 16 + 4);  // row 1, column 1
    pixels->unlockBaseAddress();
    const capture::SampleBuffer sample{pixels};

    const fd::ValueArray image = service_.bufferToImage(sample);
    ASSERT_EQ(image.size(), 3u);
    auto bitmap = image[0].objectAs<capture::BitmapImage>();
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(image[1], fd::Value(2));
    EXPECT_EQ(image[2], fd::Value(2));
    const std::vector<uint8_t> rgba(bitmap->rgba.begin() + 12, bitmap->rgba.end());
    EXPECT_EQ(rgba, (std::vector<uint8_t>{30, 20, 10, 255}));

    const fd::ValueArray data = service_.bufferToData(sample);
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(data[0].data().size(), 32u);
    EXPECT_EQ(data[0].data()[20], 10);
    EXPECT_EQ(pixels->baseAddress(), nullptr);  // both unlocked again
    EXPECT_TRUE(service_.bufferToImage({}).empty());
}

}  // namespace
