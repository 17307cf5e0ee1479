// The HUD facade (loading, progress, messages from any thread, hide) and FNHUD (colours,
// sizes, replacing and auto-hiding HUDs, the click-swallowing backdrop).

#include <thread>

#include "TAVRO_3D/ProgressHUD/FNHUD.h"
#include "TAVRO_3D/ProgressHUD/HUDNoMouseView.h"
#include "TAVRO_3D/ProgressHUD/ProgressHUD.h"
#include "TAVRO_3D/Toast/ToastView.h"
#include "WidgetTestSupport.h"

using namespace widget_testing;

class FacadeTest : public WidgetTest {
  protected:
    void TearDown() override {
        ProgressHUD::hide();
        FNHUD::hide();
        WidgetTest::TearDown();
        ProgressHUD::shared()->containerView = nullptr;
    }
};

TEST_F(FacadeTest, MessagesFromABackgroundThreadBecomeToastsOnTheMainQueue) {
    std::thread worker([view = std::static_pointer_cast<ui::View>(content_)] {
        ProgressHUD::showMessage("Defaults restored", view);
        ProgressHUD::showMessage("Ignored", nullptr);
    });
    worker.join();
    EXPECT_TRUE(content_->subviews().empty());  // nothing before the main queue runs
    fd::MainLoop::drain();
    ASSERT_EQ(content_->subviews().size(), 1u);
    auto toast = std::dynamic_pointer_cast<ToastView>(content_->subviews()[0]);
    ASSERT_TRUE(toast);
    EXPECT_EQ(toast->message(), "Defaults restored");
}

TEST_F(FacadeTest, LoadingDimsAndSwallowsClicksUnlessClickThrough) {
    const auto& hud = ProgressHUD::shared();
    ProgressHUD::showLoading("Loading", content_, false);
    advance(0.3);
    EXPECT_EQ(hud->superview(), content_.get());
    click({20, 20});
    EXPECT_EQ(content_->clicks, 0);

    ProgressHUD::showLoading("Loading", content_, true);
    click({20, 20});
    EXPECT_EQ(content_->clicks, 1);
}

TEST_F(FacadeTest, ProgressShowsARingThenHidesAtTheEnd) {
    const auto& hud = ProgressHUD::shared();
    std::thread worker([view = std::static_pointer_cast<ui::View>(content_)] {
        ProgressHUD::showProgressLoading("Updating", view, true, 0.5);
    });
    worker.join();
    advance(0.3);
    EXPECT_EQ(hud->superview(), content_.get());
    EXPECT_EQ(hud->mode.kind, ProgressHUDMode::Kind::determinate);
    EXPECT_EQ(hud->progress, 0.5);
    ProgressHUD::showProgressLoading("Updating", content_, true, 1.0);
    advance(0.3);
    EXPECT_EQ(hud->superview(), nullptr);
    EXPECT_EQ(hud->progress, 0.5);
}

TEST(HudColours, HexTextWithAGivenAlphaElseNoneOrClear) {
    const ui::Color grey = ui::Color::rgb(124 / 255.0, 124 / 255.0, 124 / 255.0);
    EXPECT_EQ(ProgressHUD::colorFromHexString("#7c7c7c", 1.0), grey);
    EXPECT_EQ(ProgressHUD::colorFromHexString("#7c7c7c00", 0.5), grey.withAlpha(0.5));
    EXPECT_FALSE(ProgressHUD::colorFromHexString("#7c7c7", 1.0));
    // FNHUD's own reading: six digits after "#", "0x" or nothing, else clear.
    for (const char* text : {"#7c7c7c", " #7c7c7c\n", "0x7c7c7c", "0X7c7c7c", "7c7c7c"})
        EXPECT_EQ(FNHUD::colorWithHex(text, 1.0), grey) << text;
    EXPECT_EQ(FNHUD::colorWithHex("#7c7c7c", 0.1).alpha, 0.1);
    for (const char* text : {"#7c7c7", "#7c7c7c7", "#7c7c7G", "", "#7c 7c7"})
        EXPECT_EQ(FNHUD::colorWithHex(text, 1.0), ui::Color::clearColor()) << text;
}

TEST_F(FacadeTest, FNHUDMessageBoxIsAtLeast160WideAndHidesAfterThreeSeconds) {
    FNHUD::showMessage("Hi", content_);
    ASSERT_EQ(FNHUD::shownViews().size(), 1u);
    auto hud = FNHUD::shownViews()[0];
    EXPECT_EQ(hud->frame().size.width, 160);
    EXPECT_EQ(hud->frame().midX(), 210);
    advance(0.5);
    EXPECT_DOUBLE_EQ(hud->alphaValue(), 1.0);
    advance(3.0);
    EXPECT_TRUE(FNHUD::shownViews().empty());
    EXPECT_DOUBLE_EQ(hud->alphaValue(), 0.0);
    EXPECT_EQ(hud->superview(), content_.get());  // faded, left in place
}

TEST_F(FacadeTest, FNHUDShownTwiceReplacesTheFirst) {
    FNHUD::showSuccess("Saved", content_);
    auto first = FNHUD::shownViews().at(0);
    FNHUD::showError("Failed", content_);
    ASSERT_EQ(FNHUD::shownViews().size(), 2u);
    auto second = FNHUD::shownViews()[1];
    advance(0.5);
    EXPECT_EQ(first->superview(), nullptr);
    EXPECT_EQ(FNHUD::shownViews(), std::vector<std::shared_ptr<ui::View>>{second});
    FNHUD::showMessage("", content_);  // no message: nothing
    FNHUD::showMessage("Lost", nullptr);
    EXPECT_EQ(FNHUD::shownViews().size(), 1u);
}

TEST_F(FacadeTest, MaskedFNHUDLoadingSwallowsClicksBehindIt) {
    ProgressHUD::showLoadingFNHUD("Please wait", content_, false);
    ASSERT_EQ(FNHUD::shownViews().size(), 1u);
    auto backdrop = std::dynamic_pointer_cast<HUDNoMouseView>(FNHUD::shownViews()[0]);
    ASSERT_TRUE(backdrop);
    EXPECT_EQ(backdrop->frame(), (ui::Rect{0, 0, 420, 620}));
    advance(4.0);  // a loading HUD does not hide itself
    EXPECT_EQ(FNHUD::shownViews().size(), 1u);
    click({5, 5});
    EXPECT_EQ(content_->clicks, 0);
    ProgressHUD::hideFNHUD();
    advance(0.5);
    EXPECT_EQ(backdrop->superview(), nullptr);
    click({5, 5});
    EXPECT_EQ(content_->clicks, 1);
}

TEST_F(FacadeTest, AMessageForAViewThatRemovesItselfGoesOntoTheViewItWasOn) {
    ui::Application::shared().setKeyWindow(nullptr);  // another application is active
    auto overlay = std::make_shared<ui::View>(ui::Rect{0, 0, 420, 620});
    content_->addSubview(overlay);
    ProgressHUD::showMessage("Defaults restored", overlay);
    overlay->removeFromSuperview();  // closes itself before the main queue runs
    fd::MainLoop::drain();
    EXPECT_TRUE(overlay->subviews().empty());
    ASSERT_EQ(content_->subviews().size(), 1u);
    auto toast = std::dynamic_pointer_cast<ToastView>(content_->subviews()[0]);
    ASSERT_TRUE(toast);
    EXPECT_EQ(toast->message(), "Defaults restored");
}
