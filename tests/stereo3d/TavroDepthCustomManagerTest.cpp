#include <gtest/gtest.h>

#include "glasses/GlassCommands.h"
#include "glasses/TavroVXServer.h"
#include "platform/sim/VirtualGlasses.h"
#include "tests/stereo3d/StereoTestPieces.h"
#include "tests/support/AI3DHarness.h"

using AI3DStartTest = AI3DHarness;

TEST_F(AI3DStartTest, WatchdogPostsExactlyOneZeroWhenNoGlassesScreenAppears) {
    boot();
    AppDelegate::shared().glassStatus = true;  // glasses announced, their screen never comes
    TavroDepthCustomManager::shared().startAI3D();
    advance(29.9, 0.5);
    EXPECT_TRUE(results().empty());
    advance(0.2);
    ASSERT_TRUE(waitFor([&] { return !results().empty(); }));
    // The wait for the screen has ended with it: a screen coming now changes nothing.
    plugGlasses();
    advance(40, 0.5);
    EXPECT_EQ(results(), std::vector<int64_t>{0});
    EXPECT_EQ(TavroDepthCustomManager::shared().watchdogKey(), "");
}

TEST_F(AI3DStartTest, SuccessPlacesTheWindowFullScreenOnTheGlassesAndPostsOne) {
    boot();
    AppDelegate::shared().glassStatus = true;
    auto& manager = TavroDepthCustomManager::shared();
    manager.startAI3D();
    advance(2);  // the glasses screen comes only after a while
    plugGlasses();
    ASSERT_TRUE(waitFor([&] {
        advance(0.1);
        return !results().empty();
    }));
    auto glasses = screenNamed("TAVRO");
    auto window = manager.depthWindow();
    ASSERT_TRUE(glasses && window);
    EXPECT_EQ(window->frame(), glasses->frame);
    EXPECT_EQ(window->fullScreenDisplay(), glasses->displayId);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(manager.deopth3DViewController()->isCapturing());
    advance(35, 0.5);
    EXPECT_EQ(results(), std::vector<int64_t>{1});  // no late 0 from the watchdog

    // Side-by-side 3D doubles the glasses screen's width: the window follows.
    mac_->displays().setMode(glasses->displayId, {3840, 1080, 60});
    ASSERT_TRUE(waitFor([&] { return window->frame() == screenNamed("TAVRO")->frame; }));
    EXPECT_EQ(window->frame().width(), 3840);
    EXPECT_TRUE(window->isFullScreen());
}

TEST_F(AI3DStartTest, StopCancelsTheWatchdogSoALaterStartIsNotFlippedToFailure) {
    boot();
    AppDelegate::shared().glassStatus = true;
    auto& manager = TavroDepthCustomManager::shared();
    manager.startAI3D();
    advance(10, 0.5);
    manager.stopAI3D();
    EXPECT_EQ(manager.watchdogKey(), "");
    advance(25, 0.5);
    plugGlasses();  // a start 35 s after the first one: the first watchdog is long gone
    manager.startAI3D();
    advance(40, 0.5);
    EXPECT_EQ(results(), std::vector<int64_t>{1});
}

TEST_F(AI3DStartTest, WithoutGlassesNothingIsPostedAndNoWatchdogStays) {
    boot();
    auto& manager = TavroDepthCustomManager::shared();
    manager.stopAI3D();  // nothing running: harmless
    manager.resumeCaptureAfterWake(false);
    manager.startAI3D();
    EXPECT_EQ(manager.watchdogKey(), "");
    advance(31, 0.5);
    EXPECT_TRUE(results().empty());
}

TEST_F(AI3DStartTest, OnAnIntelMacTheMessageShowsOverTheMainWindowAndTheStartFails) {
    boot("macbook-intel");
    plugGlasses();
    // The main window shows the start panel (here: a plain view) at this moment.
    auto main = platform::ui::Window::make({100, 100, 420, 620}, platform::ui::WindowStyleTitled);
    main->makeKeyAndOrderFront();
    AppDelegate::shared().window.set(main);
    TavroDepthCustomManager::shared().startAI3D();
    ASSERT_TRUE(waitFor([&] {
        const auto& shown = main->contentView()->subviews();
        return std::any_of(shown.begin(), shown.end(),
                           [](const auto& view) { return view->className() == "ToastView"; });
    }));
    advance(35, 0.5);
    EXPECT_EQ(results(), std::vector<int64_t>{0});  // the start panel shows its failed look
    auto window = TavroDepthCustomManager::shared().depthWindow();
    EXPECT_TRUE(!window || !window->isVisible());
}

TEST_F(AI3DStartTest, StopSwitchesThreeDimensionalModeOffAndClosesTheWindowAfterADelay) {
    boot();
    auto server = std::make_shared<TavroVXServer>();
    server->shareManager();
    AppDelegate::shared().vxServer.set(server);
    plugGlasses();
    ASSERT_TRUE(waitFor([&] { return server->ioHidDevice() != nullptr; }));
    auto& manager = TavroDepthCustomManager::shared();
    manager.startAI3D();
    ASSERT_TRUE(waitFor([&] { return manager.depthWindow() != nullptr; }));
    auto window = manager.depthWindow();
    auto& glasses = dynamic_cast<platform::sim::VirtualGlasses&>(*glasses_);
    glasses.clearOutputReports();
    manager.stopAI3D();
    ASSERT_TRUE(glasses.waitForOutputReports(1, std::chrono::seconds(5)));
    std::vector<uint8_t> off(100, 0);  // the 3D-off frame, as it reaches the glasses
    glass_cmd_switch_3d(off, false);
    off.resize(64);
    EXPECT_EQ(glasses.outputReports()[0].bytes, off);

    // The window leaves full screen at once; the close waits 0.3 s of clock time, during
    // which the main queue keeps running.
    platform::foundation::MainLoop::drain();
    EXPECT_FALSE(window->isFullScreen());
    EXPECT_FALSE(manager.deopth3DViewController()->isCapturing());
    advance(0.25);
    EXPECT_TRUE(window->isVisible());
    advance(0.1);
    EXPECT_FALSE(window->isVisible());
}
