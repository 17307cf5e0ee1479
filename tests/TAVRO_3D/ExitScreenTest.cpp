// The exit screen: its hover look ending as the mouse leaves (the look itself is the panel
// pictures'), the quit button, and its mouse monitor going with it.
#include "PanelFixture.h"
#include "TAVRO_3D/TavroExitAppViewController.h"
#include "widgets/ColorFromHex.h"

using namespace panel_fixture;

namespace {

class ExitScreenTest : public PanelFixture {
  protected:
    void SetUp() override {
        PanelFixture::SetUp();
        boot("macbook");
    }
};

TEST_F(ExitScreenTest, MovingOffTheViewEndsTheHoverLook) {
    auto screen = std::make_shared<TavroExitAppViewController>();
    show(screen);
    auto button = screen->extiButton.lock();
    // The button's own tracking area starts as if the mouse were over it: the first move
    // away from it ends that, the next ones leave the view's look alone.
    send(ui::EventType::MouseMoved, {4, 40});
    send(ui::EventType::MouseMoved, {4, 40});  // over the view, outside the button
    EXPECT_EQ(button->contentTintColor(), ui::Color::whiteColor());
    send(ui::EventType::MouseMoved, {200, 20});
    EXPECT_EQ(button->layer().backgroundColor(), initWithHexString("#e7e9e7"));
    EXPECT_EQ(button->contentTintColor(), ui::Color::blackColor());
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
    screen->view();
    screen->extiButton.lock()->performClick();
    EXPECT_TRUE(quit);
    application.setTerminateHandler(nullptr);
}

}  // namespace
