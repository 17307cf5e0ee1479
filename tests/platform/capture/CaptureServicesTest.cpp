#include <gtest/gtest.h>

#include <future>

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
    EXPECT_FALSE(isProcessTrusted(false) || isProcessTrusted(true));
    EXPECT_EQ(machine->accessibilityPrompts(), 1);
    std::promise<bool> available;
    requestShareableContent(true, true, [&](bool answer) { available.set_value(answer); });
    EXPECT_FALSE(available.get_future().get());
    EXPECT_EQ(machine->screenRecordingPrompts(), 1);
    installCaptureMachine(nullptr);
}

TEST(CaptureServicesTest, PixelBuffersExposeTheirBytesOnlyWhileLocked) {
    PixelBuffer pixels(3, 2, 5);  // rows are at least four bytes a pixel
    EXPECT_EQ(pixels.bytesPerRow(), 12u);
    EXPECT_EQ(pixels.baseAddress(), nullptr);
    EXPECT_NE(pixels.unlockBaseAddress(), 0);
    EXPECT_EQ(pixels.lockBaseAddress(), 0);
    EXPECT_EQ(pixels.lockBaseAddress(), 0);
    EXPECT_EQ(pixels.unlockBaseAddress(), 0);
    EXPECT_NE(pixels.baseAddress(), nullptr);  // still locked once
    EXPECT_EQ(pixels.unlockBaseAddress(), 0);
    EXPECT_EQ(pixels.baseAddress(), nullptr);
}

}  // namespace
