#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/capture/CaptureStream.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Mutex.h"
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

// Pictures of display 7 that are made at once but handed over only when the test says.
class HeldSource final : public FrameSource {
  public:
    bool hasDisplay(uint32_t displayId) const override { return displayId == 7; }
    void requestFrame(uint32_t, size_t width, size_t height,
                      std::function<void(std::shared_ptr<PixelBuffer>)> deliver) override {
        platform::foundation::MutexLock lock(mutex_);
        ++requests_;
        held_.push_back([buffer = std::make_shared<PixelBuffer>(width, height, width * 4),
                         deliver = std::move(deliver)] { deliver(buffer); });
    }
    int requests() const {
        platform::foundation::MutexLock lock(mutex_);
        return requests_;
    }
    // Hands over every frame asked for until now; how many there were.
    size_t deliverHeld() {
        std::vector<std::function<void()>> held;
        {
            platform::foundation::MutexLock lock(mutex_);
            held.swap(held_);
        }
        for (auto& deliver : held) deliver();
        return held.size();
    }

  private:
    mutable platform::foundation::Mutex mutex_;
    int requests_ TAVRO_GUARDED_BY(mutex_) = 0;
    std::vector<std::function<void()>> held_ TAVRO_GUARDED_BY(mutex_);
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

TEST_F(CaptureStreamTest, OneFrameInFlightAtATimeAndNoneAskedBeforeAStopArrivesAfterIt) {
    auto held = std::make_shared<HeldSource>();
    installFrameSource(held);
    std::atomic<int> frames{0};
    auto stream = CaptureStream::make(
        {7, 8, 8, 10.0}, [&](const SampleBuffer&) { ++frames; }, queue_);
    // Lets a tenth of a second of clock time pass, ten times over, with time for the
    // stream's timer to act on each.
    auto letTimePass = [&] {
        for (int i = 0; i < 10; ++i) {
            clock_->advanceSeconds(0.1);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    };
    ASSERT_FALSE(startAndWait(*stream));
    ASSERT_TRUE(test_support::waitUntil([&] { return held->requests() == 1; }));
    // Ten frames fall due while the first is still being made: none is asked for.
    letTimePass();
    EXPECT_EQ(held->requests(), 1);
    ASSERT_EQ(held->deliverHeld(), 1u);
    ASSERT_TRUE(test_support::waitUntil([&] { return frames == 1; }));
    clock_->advanceSeconds(0.1);
    ASSERT_TRUE(test_support::waitUntil([&] { return held->requests() == 2; }));

    // The frame asked for before the stop comes after it: it is dropped, and so is one
    // that came before the stop but waited behind other work for the handler's queue.
    stream->stopCapture();
    held->deliverHeld();
    ASSERT_FALSE(startAndWait(*stream));
    ASSERT_TRUE(test_support::waitUntil([&] { return held->requests() == 3; }));
    std::promise<void> release;
    auto busy = release.get_future().share();
    queue_->async([busy] { busy.wait(); });
    held->deliverHeld();
    std::promise<void> stopped;
    stream->stopCapture([&](auto) { stopped.set_value(); });
    release.set_value();
    stopped.get_future().get();
    // And a frame asked for by a run that was stopped is not taken for the next run's.
    ASSERT_FALSE(startAndWait(*stream));
    ASSERT_TRUE(test_support::waitUntil([&] { return held->requests() == 4; }));
    stream->stopCapture();
    ASSERT_FALSE(startAndWait(*stream));
    held->deliverHeld();
    std::promise<void> drained;
    queue_->async([&] { drained.set_value(); });
    drained.get_future().get();
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(stream->framesDelivered(), 1u);
    // The new run asks for its own frame once the old one is out of the way.
    letTimePass();
    ASSERT_TRUE(test_support::waitUntil([&] { return held->requests() == 5; }));
    held->deliverHeld();
    ASSERT_TRUE(test_support::waitUntil([&] { return frames == 2; }));
}
