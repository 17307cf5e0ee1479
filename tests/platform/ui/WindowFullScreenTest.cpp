#include "tests/platform/ui/UiTestSupport.h"

namespace platform::ui::testing {
namespace {

class WindowFullScreenTest : public UiTest {};

TEST_F(WindowFullScreenTest, AWindowGoesFullScreenOnAChosenScreenAndComesBack) {
    const Screen main{1, "Main", {0, 0, 1440, 900}, {0, 0, 1440, 875}, 1.0};
    const Screen glasses{5, "TAVRO Glass", {1440, -180, 1920, 1080}, {1440, -180, 1920, 1080}, 1.0};
    setScreenSource(std::make_shared<FixedScreenSource>(std::vector<Screen>{main, glasses}));
    auto window = Window::make({100, 100, 420, 620}, WindowStyleTitled | WindowStyleClosable);
    window->makeKeyAndOrderFront();

    window->enterFullScreen(glasses);
    EXPECT_TRUE(window->isFullScreen());
    EXPECT_EQ(window->fullScreenDisplay(), 5u);
    EXPECT_EQ(window->frame(), glasses.frame);
    EXPECT_EQ(window->screen()->displayId, 5u);
    EXPECT_TRUE(window->styleMask() & WindowStyleFullScreen);
    EXPECT_EQ(window->contentView()->frame(), (Rect{0, 0, 1920, 1080}));

    // Moving to another screen keeps the frame to return to.
    window->enterFullScreen(main);
    EXPECT_EQ(window->frame(), main.frame);
    window->exitFullScreen();
    EXPECT_FALSE(window->isFullScreen());
    EXPECT_EQ(window->frame(), (Rect{100, 100, 420, 620}));
    EXPECT_EQ(window->styleMask(), unsigned(WindowStyleTitled | WindowStyleClosable));
    window->exitFullScreen();  // nothing to leave
    EXPECT_EQ(window->frame(), (Rect{100, 100, 420, 620}));

    // Toggling enters on the window's own screen.
    window->toggleFullScreen();
    EXPECT_EQ(window->fullScreenDisplay(), 1u);
    window->toggleFullScreen();
    EXPECT_FALSE(window->isFullScreen());
}

}  // namespace
}  // namespace platform::ui::testing
