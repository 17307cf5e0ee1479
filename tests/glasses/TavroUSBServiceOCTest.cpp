// The service the interface code reaches.
#include <gtest/gtest.h>

#include "glasses/TavroUSBServiceOC.h"
#include "platform/capture/CaptureServices.h"

namespace capture = platform::capture;

namespace {

TEST(TavroUSBServiceOC, ScreenRecordingIsCheckedWithoutPromptAndPromptedOnRequest) {
    TavroUSBServiceOC& service = TavroUSBServiceOC::shareManager();
    EXPECT_FALSE(service.canRecordScreen());  // no machine to ask
    auto machine = std::make_shared<capture::CaptureMachine>(false, true);
    capture::installCaptureMachine(machine);
    EXPECT_FALSE(service.canRecordScreen());
    EXPECT_EQ(machine->screenRecordingPrompts(), 0);
    service.showScreenRecordingPrompt();
    EXPECT_EQ(machine->screenRecordingPrompts(), 1);
    machine->setScreenRecordingAllowed(true);
    EXPECT_TRUE(service.canRecordScreen());
    service.showScreenRecordingPrompt();
    EXPECT_EQ(machine->screenRecordingPrompts(), 1);
    capture::installCaptureMachine(nullptr);
}

}  // namespace
