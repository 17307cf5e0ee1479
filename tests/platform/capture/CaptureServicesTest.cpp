#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "platform/capture/CaptureServices.h"
#include "platform/capture/PixelBuffer.h"

using namespace platform::capture;

namespace {

TEST(CaptureServicesTest, PermissionsComeFromTheMachineAndPromptsAreCounted) {
    installCaptureMachine(nullptr);
    EXPECT_FALSE(preflightScreenCaptureAccess());
    EXPECT_FALSE(isProcessTrusted(true));
    postEvent(EventTap::Hid, keyboardEvent(EventSourceState::HidSystem, 1, true));

    auto machine = std::make_shared<CaptureMachine>(false, false);
    installCaptureMachine(machine);
    EXPECT_FALSE(isProcessTrusted(false));
    EXPECT_EQ(machine->accessibilityPrompts(), 0);
    EXPECT_FALSE(isProcessTrusted(true));
    EXPECT_EQ(machine->accessibilityPrompts(), 1);

    std::mutex mutex;
    std::condition_variable done;
    std::optional<bool> available;
    requestShareableContent(true, true, [&](bool answer) {
        std::lock_guard lock(mutex);
        available = answer;
        done.notify_all();
    });
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(
            done.wait_for(lock, std::chrono::seconds(5), [&] { return available.has_value(); }));
    }
    EXPECT_FALSE(*available);
    EXPECT_EQ(machine->screenRecordingPrompts(), 1);
    EXPECT_FALSE(preflightScreenCaptureAccess());
    installCaptureMachine(nullptr);
}

TEST(CaptureServicesTest, PixelBuffersExposeTheirBytesOnlyWhileLocked) {
    PixelBuffer pixels(3, 2, 5);  // rows are at least four bytes a pixel
    EXPECT_EQ(pixels.bytesPerRow(), 12u);
    EXPECT_EQ(pixels.baseAddress(), nullptr);
    EXPECT_NE(pixels.unlockBaseAddress(), 0);
    EXPECT_EQ(pixels.lockBaseAddress(), 0);
    EXPECT_EQ(pixels.lockBaseAddress(), 0);
    EXPECT_NE(pixels.baseAddress(), nullptr);
    EXPECT_EQ(pixels.unlockBaseAddress(), 0);
    EXPECT_NE(pixels.baseAddress(), nullptr);
    EXPECT_EQ(pixels.unlockBaseAddress(), 0);
    EXPECT_EQ(pixels.baseAddress(), nullptr);
}

}  // namespace
