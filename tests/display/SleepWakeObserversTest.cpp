#include <gtest/gtest.h>

#include <thread>

#include "display/ScreenRecognition.h"
#include "display/TavroSystemSleepOrPowerOn.h"
#include "display/TavroSystemSleepOrPowerOnManager.h"
#include "platform/foundation/RunLoop.h"
#include "platform/screens/PowerManagement.h"
#include "tests/support/AI3DHarness.h"

namespace {

namespace fdn = platform::foundation;
namespace screens = platform::screens;

using SleepWakeObserversTest = AI3DHarness;

TEST_F(SleepWakeObserversTest, ScreensSleepStopsTheCaptureAndWakingResumesItIfTheWindowShows) {
    // Made on the main thread, as the home panel makes it.
    auto& observers = TavroSystemSleepOrPowerOn::shared();
    auto& mac = boot();
    plugGlasses();
    auto& manager = TavroDepthCustomManager::shared();
    manager.startAI3D();
    ASSERT_TRUE(waitFor([&] { return !results().empty(); }));
    auto controller = manager.deopth3DViewController();
    fdn::MainLoop::drain();  // the start's own fresh eye views
    auto eyeView = controller->leftEyeView();
    // While the delegate holds no depth manager the observers leave the capture alone.
    mac.screensSleep();
    mac.systemSleep();
    EXPECT_TRUE(observers.isSleep());
    EXPECT_TRUE(observers.isDeepSleep());
    EXPECT_TRUE(controller->isCapturing());
    mac.screensWake();
    EXPECT_TRUE(controller->isCapturing());
    mac.systemWake();
    // Held by the delegate, as the start panel holds it. Locking and unlocking change only
    // the flags.
    AppDelegate::shared().depthManager.set(TavroDepthCustomManager::sharedPointer());
    mac.lockScreen();
    EXPECT_TRUE(observers.isSleep());
    EXPECT_FALSE(observers.isDeepSleep());
    EXPECT_TRUE(isScreenLocked());
    fdn::MainLoop::drain();
    EXPECT_EQ(controller->leftEyeView(), eyeView);
    mac.unlockScreen();
    EXPECT_FALSE(observers.isSleep());
    EXPECT_TRUE(controller->isCapturing());
    mac.screensSleep();
    EXPECT_TRUE(observers.isSleep());
    EXPECT_FALSE(controller->isCapturing());
    fdn::MainLoop::drain();
    EXPECT_NE(controller->leftEyeView(), eyeView);  // fresh eye views
    mac.systemSleep();
    mac.systemWake();
    mac.screensWake();
    EXPECT_FALSE(observers.isSleep());
    EXPECT_FALSE(observers.isDeepSleep());
    EXPECT_TRUE(controller->isCapturing());
    const uint64_t before = controller->framesProcessed();
    EXPECT_TRUE(advanceUntil([&] { return controller->framesProcessed() > before; }));
    // With the window hidden the capture stays stopped.
    manager.depthWindow()->orderOut();
    mac.screensSleep();
    mac.screensWake();
    advance(1, 1.0 / 60);
    EXPECT_FALSE(controller->isCapturing());
}

TEST_F(SleepWakeObserversTest, PowerListenerAllowsSleepOnItsOwnThreadUntilItsLoopStops) {
    auto& mac = boot();
    const size_t clientsBefore = screens::systemPowerClientCount();
    std::atomic<fdn::RunLoop*> loop{nullptr};
    std::atomic<bool> returned{false};
    std::thread listener([&] {
        loop = &fdn::RunLoop::current();
        // Blocks in this thread's run loop until the loop is stopped.
        auto& manager = TavroSystemSleepOrPowerOnManager::shareManager();
        returned = true;
        manager.remove();
    });
    ASSERT_TRUE(waitFor([&] {
        return loop.load() && loop.load()->isRunning() &&
               screens::systemPowerClientCount() == clientsBefore + 1;
    }));
    const size_t allowedBefore = screens::allowedPowerChanges().size();
    mac.systemSleep();  // "can sleep" and "will sleep" are both allowed
    ASSERT_TRUE(
        waitFor([&] { return screens::allowedPowerChanges().size() == allowedBefore + 2; }));
    mac.systemWake();  // the wake notices need no answer
    settle();
    EXPECT_EQ(screens::allowedPowerChanges().size(), allowedBefore + 2);
    EXPECT_FALSE(returned.load());
    loop.load()->stop();
    listener.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(screens::systemPowerClientCount(), clientsBefore);
}

}  // namespace
