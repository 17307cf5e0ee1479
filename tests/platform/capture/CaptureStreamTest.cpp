#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/capture/CaptureStream.h"
#include "platform/foundation/Clock.h"
#include "tests/support/Waits.h"

using namespace platform::capture;
using platform::foundation::Clock;

namespace {

// Pictures of display 7 whose first pixel counts the requests.
class CountingSource final : public FrameSource {
  public:
    bool hasDisplay(uint32_t displayId) const override { return displayId == 7; }
    void requestFrame(uint32_t, size_t width, size_t height,
                      std::function<void(std::shared_ptr<PixelBuffer>)> deliver) override {
        auto buffer = std::make_shared<PixelBuffer>(width, height, width * 4);
        buffer->lockBaseAddress();
        buffer->baseAddress()[0] = uint8_t(++requests);
        buffer->unlockBaseAddress();
        deliver(buffer);
    }
    std::atomic<int> requests{0};
};

class CaptureStreamTest : public ::testing::Test {
  protected:
    void SetUp() override { installFrameSource(source_); }
    void TearDown() override { installFrameSource(nullptr); }
    static std::optional<platform::foundation::Error> startAndWait(CaptureStream& stream) {
        std::promise<std::optional<platform::foundation::Error>> done;
        stream.startCapture([&](auto error) { done.set_value(error); });
        return done.get_future().get();
    }
    std::shared_ptr<platform::foundation::ManualClock> clock_ =
        std::make_shared<platform::foundation::ManualClock>();
    platform::foundation::ScopedClock scoped_{clock_};
    std::shared_ptr<CountingSource> source_ = std::make_shared<CountingSource>();
    platform::foundation::DispatchQueuePtr queue_ =
        platform::foundation::makeSerialQueue("test.frames");
};

}  // namespace

TEST_F(CaptureStreamTest, FramesComeAtTheSetRateOnTheCallersQueueUntilStopped) {
    std::atomic<int> frames{0};
    std::atomic<bool> onQueue{true};
    auto stream = CaptureStream::make(
        {7, 32, 16, 10.0},
        [&](const SampleBuffer& sample) {
            onQueue = onQueue && queue_->isCurrent();
            EXPECT_EQ(sample.imageBuffer->width(), 32u);
            ++frames;
        },
        queue_);
    ASSERT_FALSE(startAndWait(*stream));
    // The first frame comes at once.
    ASSERT_TRUE(test_support::waitUntil([&] { return frames == 1; }));
    // Ten frames a second of clock time: 0.35 s more gives three more.
    for (int i = 0; i < 7; ++i) {
        clock_->advanceSeconds(0.05);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(test_support::waitUntil([&] { return frames == 4; }));
    EXPECT_TRUE(onQueue);
    std::promise<void> stopped;
    stream->stopCapture([&](auto error) {
        EXPECT_FALSE(error);
        stopped.set_value();
    });
    stopped.get_future().get();
    const int atStop = frames;
    clock_->advanceSeconds(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(frames, atStop);
    EXPECT_EQ(stream->framesDelivered(), uint64_t(atStop));
}

TEST_F(CaptureStreamTest, ReleasingARunningStreamStopsItAndBadStreamsDoNotStart) {
    std::atomic<int> frames{0};
    auto stream = CaptureStream::make(
        {7, 8, 8, 100.0}, [&](const SampleBuffer&) { ++frames; }, queue_);
    ASSERT_FALSE(startAndWait(*stream));
    ASSERT_TRUE(test_support::waitUntil([&] { return frames >= 1; }));
    stream.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const int atRelease = frames;
    const int requests = source_->requests;
    clock_->advanceSeconds(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(frames, atRelease);
    EXPECT_EQ(source_->requests, requests);

    // Unknown displays, empty pictures and a machine without a source cannot start.
    auto nothing = [](const SampleBuffer&) {};
    EXPECT_TRUE(startAndWait(*CaptureStream::make({8, 32, 16, 10.0}, nothing, queue_)));
    EXPECT_TRUE(startAndWait(*CaptureStream::make({7, 0, 16, 10.0}, nothing, queue_)));
    installFrameSource(nullptr);
    EXPECT_TRUE(startAndWait(*CaptureStream::make({7, 32, 16, 10.0}, nothing, queue_)));
}
