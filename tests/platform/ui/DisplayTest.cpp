// On a private Xvfb, as the ctest "ui_display"; skipped when Xvfb is missing or not asked for.
#include <cstdlib>

#include "UiTestSupport.h"
#include "platform/ui/Button.h"
#include "platform/ui/DisplayBackend.h"
#include "platform/ui/StatusItem.h"
#include "tests/support/XvfbServer.h"

namespace platform::ui {
namespace {

namespace fdn = platform::foundation;

bool waitFor(const std::function<bool()>& done) {
    return fdn::MainLoop::runUntil(done, fdn::Clock::fromSeconds(5));
}

TEST(DisplayTest, WindowTrayIconAndAlertAppearOnARealDisplay) {
    if (!std::getenv("TAVRO_UI_DISPLAY_TEST")) GTEST_SKIP() << "runs as the ctest ui_display";
    if (test_support::findProgram("Xvfb").empty()) GTEST_SKIP() << "Xvfb is not installed";
    test_support::XvfbServer server;
    ASSERT_TRUE(server.start(91, "1280x800x24"));
    setenv("DISPLAY", server.display().c_str(), 1);
    const bool trayStarted = server.startTrayHost();
    setScreenSource(std::make_shared<FixedScreenSource>(
        std::vector<Screen>{{1, "Xvfb", {0, 0, 1280, 800}, {0, 0, 1280, 775}, 1.0}}));
    std::string error;
    auto backend = startDisplay(DisplayChoice::Display, &error);
    if (!backend && error.find("offscreen") != std::string::npos) GTEST_SKIP() << error;
    ASSERT_TRUE(backend) << error;
    auto window = Window::make({200, 200, 300, 200}, WindowStyleTitled | WindowStyleClosable);
    window->setBackgroundColor(Color::rgb(0, 0.5, 1));
    auto button = View::create<Button>(Rect{100, 80, 100, 40});
    button->setTitle("Press");
    int presses = 0;
    button->setAction([&](Control&) { ++presses; });
    window->contentView()->addSubview(button);
    window->makeKeyAndOrderFront();
    ASSERT_TRUE(waitFor([&] { return backend->isOnDisplay(*window); }));
    // The display shows the window's colour where the window is (y-up: 200..400 from the bottom).
    bool painted = waitFor([&] {
        PixelBuffer screen = backend->grabDisplay();
        uint32_t p = screen.pixelFromBottom(220, 220);
        return std::abs(greenOf(p) - 128) <= 2 && blueOf(p) == 255 && redOf(p) == 0;
    });
    EXPECT_TRUE(painted);
    // A click on the display goes through Qt's own events into the button.
    ASSERT_TRUE(backend->clickOnDisplay({350, 300}, false));
    EXPECT_EQ(presses, 1);
    EXPECT_TRUE(!trayStarted || waitFor([&] { return backend->hasTrayHost(); }));
    auto item = StatusBar::system().statusItemWithLength(StatusBar::kVariableLength);
    EXPECT_TRUE(waitFor([&] { return backend->isTrayIconShown(*item); }));
    bool dialogSeen = false;
    Alert::setResponder([&](const Alert&) {
        PixelBuffer screen = backend->grabDisplay();
        // The message box stands in the middle of the otherwise black display.
        int lit = 0;
        for (int x = 440; x < 840; x += 4) lit += (redOf(screen.pixelFromTop(x, 400)) > 100);
        dialogSeen = lit > 20;
        return kAlertSecondButtonReturn;
    });
    window->orderOut();
    Alert alert;
    alert.setMessageText("Display test");
    alert.addButtonWithTitle("First");
    alert.addButtonWithTitle("Second");
    EXPECT_EQ(alert.runModal(), kAlertSecondButtonReturn);
    EXPECT_TRUE(dialogSeen);
    Alert::setResponder(nullptr);
    StatusBar::system().removeStatusItem(item);
    Application::shared().reset();
    Application::shared().setBackend(nullptr);
    setScreenSource(nullptr);
}

}  // namespace
}  // namespace platform::ui
