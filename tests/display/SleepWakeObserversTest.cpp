#include <gtest/gtest.h>

#include <thread>

#include "display/ScreenRecognition.h"
#include "display/TavroSystemSleepOrPowerOn.h"
#include "display/TavroSystemSleepOrPowerOnManager.h"
#include "platform/foundation/RunLoop.h"
#include "platform/screens/PowerManagement.h"
#include "tests/support/AI3DHarness.h"

namespace {

class SleepWakeObserversTest : public AI3DHarness {
  protected:
    // The AI-3D mode running on the glasses, held by the delegate as the start panel does.
    std::shared_ptr<TavroDepth3DViewController> runAI3D() {
        plugGlasses();
        AppDelegate::shared().depthManager.set(TavroDepthCustomManager::sharedPointer());
        TavroDepthCustomManager::shared().startAI3D();
        EXPECT_TRUE(waitFor([&] { return !results().empty(); }));
        auto controller = TavroDepthCustomManager::shared().deopth3DViewController();
        EXPECT_TRUE(controller->isCapturing());
        platform::foundation::MainLoop::drain();  // the start's own fresh eye views
        return controller;
    }

    // Made on the main thread, as the home panel makes it.
    TavroSystemSleepOrPowerOn* observers_ = &TavroSystemSleepOrPowerOn::shared();
};

}  // namespace

TEST_F(SleepWakeObserversTest, ScreensSleepStopsTheCaptureAndWakingResumesItIfTheWindowShows) {
    auto& mac = boot();
    auto controller = runAI3D();
    auto eyeView = controller->leftEyeView();
    // Locking and unlocking change only the flags.
    mac.lockScreen();
    EXPECT_TRUE(observers_->isSleep());
    EXPECT_FALSE(observers_->isDeepSleep());
    EXPECT_TRUE(isScreenLocked());
    platform::foundation::MainLoop::drain();
    EXPECT_EQ(controller->leftEyeView(), eyeView);
    mac.unlockScreen();
    EXPECT_FALSE(observers_->isSleep());
    EXPECT_TRUE(controller->isCapturing());

    mac.screensSleep();
    EXPECT_TRUE(observers_->isSleep());
    EXPECT_FALSE(controller->isCapturing());
    platform::foundation::MainLoop::drain();
    EXPECT_NE(controller->leftEyeView(), eyeView);  // fresh eye views

    mac.systemSleep();
    EXPECT_TRUE(observers_->isDeepSleep());
    mac.systemWake();
    mac.screensWake();
    EXPECT_FALSE(observers_->isSleep());
    EXPECT_FALSE(observers_->isDeepSleep());
    EXPECT_TRUE(controller->isCapturing());
    const uint64_t before = controller->framesProcessed();
    EXPECT_TRUE(advanceUntil([&] { return controller->framesProcessed() > before; }));

    // With the window hidden the capture stays stopped.
    TavroDepthCustomManager::shared().depthWindow()->orderOut();
    mac.screensSleep();
    mac.screensWake();
    advance(1, 1.0 / 60);
    EXPECT_FALSE(controller->isCapturing());
}

TEST_F(SleepWakeObserversTest, WithoutTheDepthManagerOnlyTheFlagsChange) {
    auto& mac = boot();
    plugGlasses();
    // The window exists, but the delegate holds no manager: the observers leave it alone.
    TavroDepthCustomManager::shared().startAI3D();
    ASSERT_TRUE(waitFor([&] { return !results().empty(); }));
    auto controller = TavroDepthCustomManager::shared().deopth3DViewController();
    mac.screensSleep();
    mac.systemSleep();
    EXPECT_TRUE(observers_->isSleep());
    EXPECT_TRUE(observers_->isDeepSleep());
    EXPECT_TRUE(controller->isCapturing());
    mac.screensWake();
    EXPECT_FALSE(observers_->isSleep());
    EXPECT_FALSE(observers_->isDeepSleep());
    EXPECT_TRUE(controller->isCapturing());
}

TEST_F(SleepWakeObserversTest, PowerListenerAllowsSleepOnItsOwnThreadUntilItsLoopStops) {
    auto& mac = boot();
    const size_t clientsBefore = platform::screens::systemPowerClientCount();
    std::atomic<platform::foundation::RunLoop*> loop{nullptr};
    std::atomic<bool> returned{false};
    std::thread listener([&] {
        loop = &platform::foundation::RunLoop::current();
        // Blocks in this thread's run loop until the loop is stopped.
        auto& manager = TavroSystemSleepOrPowerOnManager::shareManager();
        returned = true;
        manager.remove();
    });
    ASSERT_TRUE(waitFor([&] {
        return loop.load() && loop.load()->isRunning() &&
               platform::screens::systemPowerClientCount() == clientsBefore + 1;
    }));
    const size_t allowedBefore = platform::screens::allowedPowerChanges().size();
    mac.systemSleep();  // "can sleep" and "will sleep" are both allowed
    ASSERT_TRUE(waitFor(
        [&] { return platform::screens::allowedPowerChanges().size() == allowedBefore + 2; }));
    mac.systemWake();  // the wake notices need no answer
    settle();
    EXPECT_EQ(platform::screens::allowedPowerChanges().size(), allowedBefore + 2);
    EXPECT_FALSE(returned.load());
    loop.load()->stop();
    listener.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(platform::screens::systemPowerClientCount(), clientsBefore);
}
