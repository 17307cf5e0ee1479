// The exit screen: the hover look over the whole view, the quit button, and its mouse
// monitor going with it.

#include "PanelFixture.h"
#include "TAVRO_3D/TavroExitAppViewController.h"
#include "TAVRO_3D/Widgets/ColorFromHex.h"

using namespace panel_fixture;

namespace {

class ExitScreenTest : public PanelFixture {
  protected:
    void SetUp() override {
        PanelFixture::SetUp();
        boot("macbook");
    }
};

TEST_F(ExitScreenTest, MouseOverTheViewGivesTheButtonItsHoverLook) {
    auto screen = std::make_shared<TavroExitAppViewController>();
    auto popoverWindow = ui::Window::make({500, 500, 160, 44}, ui::WindowStyleBorderless);
    popoverWindow->setContentViewController(screen);
    ASSERT_FALSE(screen->loadError()) << screen->loadError()->localizedDescription;
    auto button = screen->extiButton.lock();
    ASSERT_TRUE(button);

    auto move = [&](ui::Point at) {
        ui::Application::shared().sendEvent(
            ui::Event::mouse(ui::EventType::MouseMoved, at, popoverWindow));
    };
    // The button's own tracking area starts as if the mouse were over it: the first move
    // away from it ends that, the next ones leave the view's look alone.
    move({4, 40});
    move({4, 40});  // over the view, outside the button
    EXPECT_EQ(button->layer().backgroundColor(), ui::Color::blueColor().withAlpha(0.6));
    EXPECT_EQ(button->contentTintColor(), ui::Color::whiteColor());
    move({200, 20});
    EXPECT_EQ(button->layer().backgroundColor(), initWithHexString("#e7e9e7"));
    EXPECT_EQ(button->contentTintColor(), ui::Color::blackColor());
    EXPECT_EQ(button->title(), "退出TAVRO 3D");
}

TEST_F(ExitScreenTest, QuitsAtOnceAndTakesItsMonitorAlong) {
    auto& application = ui::Application::shared();
    const size_t before = application.monitorCount();
    bool quit = false;
    application.setTerminateHandler([&] { quit = true; });
    for (int showing = 0; showing < 3; ++showing) {
        auto screen = std::make_shared<TavroExitAppViewController>();
        screen->view();
        EXPECT_EQ(application.monitorCount(), before + 1);
    }
    EXPECT_EQ(application.monitorCount(), before);

    auto screen = std::make_shared<TavroExitAppViewController>();
    screen->extiButton.lock();
    screen->view();
    screen->extiButton.lock()->performClick();
    EXPECT_TRUE(quit);
    application.setTerminateHandler(nullptr);
}

}  // namespace
