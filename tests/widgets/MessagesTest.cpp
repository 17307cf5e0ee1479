// Messages to the user: toasts, the HUD facade and FNHUD.

#include <thread>

#include "WidgetTestSupport.h"
#include "platform/ui/TextLayer.h"
#include "platform/ui/TextMeasurement.h"
#include "widgets/ProgressHUD/FNHUD.h"
#include "widgets/ProgressHUD/HUDNoMouseView.h"
#include "widgets/ProgressHUD/ProgressHUD.h"
#include "widgets/Toast/ToastView.h"
#include "widgets/Toast/ViewToastOperations.h"

using namespace widget_testing;

static std::vector<std::shared_ptr<ToastView>> toastsIn(const ui::View& host) {
    std::vector<std::shared_ptr<ToastView>> toasts;
    for (const auto& view : host.subviews())
        if (auto toast = std::dynamic_pointer_cast<ToastView>(view)) toasts.push_back(toast);
    return toasts;
}

class FacadeTest : public WidgetTest {
  protected:
    void TearDown() override {
        ProgressHUD::hide();
        FNHUD::hide();
        WidgetTest::TearDown();
        ProgressHUD::shared()->containerView = nullptr;
    }
};

// A message from a background thread, or for a view that removes itself before the main
// queue runs, becomes a toast on the main queue.
TEST_F(FacadeTest, MessagesBecomeToastsOnTheMainQueueOverTheViewTheyWereFor) {
    std::thread worker([view = std::static_pointer_cast<ui::View>(content_)] {
        ProgressHUD::showMessage("Defaults restored", view);
        ProgressHUD::showMessage("Ignored", nullptr);
    });
    worker.join();
    EXPECT_TRUE(content_->subviews().empty());  // nothing before the main queue runs
    fd::MainLoop::drain();
    auto toasts = toastsIn(*content_);
    ASSERT_EQ(toasts.size(), 1u);
    EXPECT_EQ(toasts[0]->message(), "Defaults restored");
    ui::Application::shared().setKeyWindow(nullptr);  // another application is active
    auto overlay = std::make_shared<ui::View>(ui::Rect{0, 0, 420, 620});
    content_->addSubview(overlay);
    ProgressHUD::showMessage("Closed", overlay);
    overlay->removeFromSuperview();
    fd::MainLoop::drain();
    EXPECT_TRUE(overlay->subviews().empty());
    toasts = toastsIn(*content_);
    ASSERT_EQ(toasts.size(), 2u);
    EXPECT_EQ(toasts[1]->message(), "Closed");
}

TEST_F(FacadeTest, LoadingSwallowsClicksUnlessClickThroughAndProgressHidesAtTheEnd) {
    const auto& hud = ProgressHUD::shared();
    ProgressHUD::showLoading("Loading", content_, false);
    advance(0.3);
    EXPECT_EQ(hud->superview(), content_.get());
    click({20, 20});
    EXPECT_EQ(content_->clicks, 0);
    ProgressHUD::showLoading("Loading", content_, true);
    click({20, 20});
    EXPECT_EQ(content_->clicks, 1);
    std::thread worker([view = std::static_pointer_cast<ui::View>(content_)] {
        ProgressHUD::showProgressLoading("Updating", view, true, 0.5);
    });
    worker.join();
    advance(0.3);
    EXPECT_EQ(hud->mode.kind, ProgressHUDMode::Kind::determinate);
    EXPECT_EQ(hud->progress, 0.5);
    ProgressHUD::showProgressLoading("Updating", content_, true, 1.0);
    advance(0.3);
    EXPECT_EQ(hud->superview(), nullptr);
    EXPECT_EQ(hud->progress, 0.5);
}

TEST(FNHUDColours, SixHexDigitsWithAGivenAlphaElseClear) {
    const ui::Color grey = ui::Color::rgb(124 / 255.0, 124 / 255.0, 124 / 255.0);
    for (const char* text : {"#7c7c7c", " #7c7c7c\n", "0x7c7c7c", "0X7c7c7c", "7c7c7c"})
        EXPECT_EQ(FNHUD::colorWithHex(text, 1.0), grey) << text;
    EXPECT_EQ(FNHUD::colorWithHex("#7c7c7c", 0.1).alpha, 0.1);
    for (const char* text : {"#7c7c7", "#7c7c7c7", "#7c7c7G", "", "#7c 7c7"})
        EXPECT_EQ(FNHUD::colorWithHex(text, 1.0), ui::Color::clearColor()) << text;
}

TEST_F(FacadeTest,
       FNHUDMessagesAreAtLeast160WideHideAfterThreeSecondsAndReplaceEachOtherLoadingStays) {
    FNHUD::showMessage("Hi", content_);
    ASSERT_EQ(FNHUD::shownViews().size(), 1u);
    auto first = FNHUD::shownViews()[0];
    EXPECT_EQ(first->frame().size.width, 160);
    EXPECT_EQ(first->frame().midX(), 210);
    advance(2.5);
    EXPECT_EQ(FNHUD::shownViews().size(), 1u);
    advance(1.0);
    EXPECT_TRUE(FNHUD::shownViews().empty());
    EXPECT_DOUBLE_EQ(first->alphaValue(), 0.0);
    EXPECT_EQ(first->superview(), content_.get());  // faded, left in place
    FNHUD::showSuccess("Saved", content_);
    first = FNHUD::shownViews().at(0);
    FNHUD::showError("Failed", content_);
    ASSERT_EQ(FNHUD::shownViews().size(), 2u);
    auto second = FNHUD::shownViews()[1];
    advance(0.5);
    EXPECT_EQ(first->superview(), nullptr);
    EXPECT_EQ(FNHUD::shownViews(), std::vector<std::shared_ptr<ui::View>>{second});
    FNHUD::showMessage("", content_);  // no message: nothing
    FNHUD::showMessage("Lost", nullptr);
    EXPECT_EQ(FNHUD::shownViews().size(), 1u);
    // A masked loading HUD swallows the clicks behind it and does not hide itself.
    ProgressHUD::showLoadingFNHUD("Please wait", content_, false);
    auto backdrop = std::dynamic_pointer_cast<HUDNoMouseView>(FNHUD::shownViews().back());
    ASSERT_TRUE(backdrop);
    EXPECT_EQ(backdrop->frame(), (ui::Rect{0, 0, 420, 620}));
    advance(4.0);
    EXPECT_EQ(FNHUD::shownViews(), std::vector<std::shared_ptr<ui::View>>{backdrop});
    click({5, 5});
    EXPECT_EQ(content_->clicks, 0);
    ProgressHUD::hideFNHUD();
    advance(0.5);
    EXPECT_EQ(backdrop->superview(), nullptr);
    click({5, 5});
    EXPECT_EQ(content_->clicks, 1);
}

using ToastTest = WidgetTest;

TEST_F(ToastTest, ToastCoversItsHostAndCentresABubbleBuiltOncePerPlacement) {
    const std::string message = "Defaults restored";
    const ui::Size text = ui::sizeOfText(message, ui::Font::systemFont(16));
    auto toast = ToastView::initWithMessage(message);
    EXPECT_TRUE(toast->layer().sublayers().empty());  // the bubble comes with a host
    content_->addSubview(toast);
    EXPECT_EQ(toast->frame(), (ui::Rect{0, 0, 420, 620}));
    ASSERT_EQ(toast->layer().sublayers().size(), 1u);
    const auto& bubble = *toast->layer().sublayers()[0];
    EXPECT_EQ(bubble.position(), (ui::Point{210, 310}));
    EXPECT_GT(bubble.frame().width(), text.width);
    ASSERT_EQ(bubble.sublayers().size(), 1u);
    auto label = std::dynamic_pointer_cast<ui::TextLayer>(bubble.sublayers()[0]);
    ASSERT_TRUE(label);
    EXPECT_EQ(label->string(), message);
    EXPECT_EQ(label->frame().size, text);
    // Placed again, it builds a second bubble over the first. Removed before its fade ends,
    // it is not rebuilt, and its fade finds nothing to remove.
    toast->removeFromSuperview();
    content_->addSubview(toast);
    EXPECT_EQ(toast->layer().sublayers().size(), 2u);
    addToast(*content_, "Short");
    auto early = toastsIn(*content_).back();
    advance(0.5);
    early->removeFromSuperview();
    EXPECT_EQ(early->layer().sublayers().size(), 1u);
    advance(2.0);
    EXPECT_EQ(early->superview(), nullptr);
    EXPECT_EQ(early->layer().sublayers().size(), 1u);
}

TEST_F(ToastTest, EachToastStaysOneSecondThenFadesForOneInItsOwnTime) {
    auto anyView = std::make_shared<ui::View>(ui::Rect{0, 0, 10, 10});
    showToast(*anyView, "First");  // the key window's content hosts it
    advance(0.5);
    showToast(*content_, "Second");
    auto toasts = toastsIn(*content_);
    ASSERT_EQ(toasts.size(), 2u);
    std::weak_ptr<ToastView> first = toasts[0];
    // Clicks on the host land on a toast, which hands them on to its superview.
    EXPECT_EQ(window_->contentView()->hitTest({30, 30}), toasts[1].get());
    click({30, 30});
    EXPECT_EQ(content_->clicks, 1);
    advance(0.4);
    EXPECT_DOUBLE_EQ(shownOpacity(toasts[0]->layer()), 1.0);
    advance(0.6);
    EXPECT_NEAR(shownOpacity(toasts[0]->layer()), 0.5, 1e-6);
    EXPECT_NEAR(shownOpacity(toasts[1]->layer()), 1.0, 1e-6);
    advance(0.45);
    EXPECT_NEAR(shownOpacity(toasts[0]->layer()), 0.05, 1e-6);
    advance(0.1);
    EXPECT_EQ(toastsIn(*content_), std::vector<std::shared_ptr<ToastView>>{toasts[1]});
    toasts.clear();
    EXPECT_TRUE(first.expired());
    advance(0.5);
    EXPECT_TRUE(toastsIn(*content_).empty());
}

TEST_F(ToastTest, WithoutKeyWindowTheToastGoesOverTheViewsSuperview) {
    ui::Application::shared().reset();
    auto host = std::make_shared<ui::View>(ui::Rect{0, 0, 300, 200});
    auto child = std::make_shared<ui::View>(ui::Rect{0, 0, 10, 10});
    host->addSubview(child);
    showToast(*child, "Hello");
    EXPECT_EQ(toastsIn(*host).size(), 1u);
    auto orphan = std::make_shared<ui::View>(ui::Rect{0, 0, 10, 10});
    showToast(*orphan, "Nowhere");  // neither: nothing
    EXPECT_TRUE(orphan->subviews().empty());
    addToast(*orphan, "Inside");
    EXPECT_EQ(toastsIn(*orphan).size(), 1u);
}
