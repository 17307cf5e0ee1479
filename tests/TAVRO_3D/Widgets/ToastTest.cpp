// Toasts and activity overlays: placement, the fade timing on the manual clock, overlapping
// toasts, removal before the fade ends, clicks on a toast's host.

#include "TAVRO_3D/Toast/ActivityView.h"
#include "TAVRO_3D/Toast/ToastView.h"
#include "TAVRO_3D/Toast/ViewToastOperations.h"
#include "WidgetTestSupport.h"
#include "platform/ui/TextLayer.h"
#include "platform/ui/TextMeasurement.h"

using namespace widget_testing;

namespace {

std::vector<std::shared_ptr<ToastView>> toastsIn(const ui::View& host) {
    std::vector<std::shared_ptr<ToastView>> toasts;
    for (const auto& view : host.subviews()) {
        if (auto toast = std::dynamic_pointer_cast<ToastView>(view)) toasts.push_back(toast);
    }
    return toasts;
}

}  // namespace

class ToastTest : public WidgetTest {};

TEST_F(ToastTest, ToastCoversItsHostAndCentresABubbleAroundItsMessage) {
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

    // Placed again, it builds a second bubble over the first.
    toast->removeFromSuperview();
    content_->addSubview(toast);
    EXPECT_EQ(toast->layer().sublayers().size(), 2u);
}

TEST_F(ToastTest, EachToastStaysOneSecondThenFadesForOneInItsOwnTime) {
    auto anyView = std::make_shared<ui::View>(ui::Rect{0, 0, 10, 10});
    showToast(*anyView, "First");  // the key window's content hosts it
    advance(0.5);
    showToast(*content_, "Second");
    auto toasts = toastsIn(*content_);
    ASSERT_EQ(toasts.size(), 2u);
    std::weak_ptr<ToastView> first = toasts[0];
    advance(0.4);
    EXPECT_DOUBLE_EQ(shownOpacity(*toasts[0]), 1.0);
    advance(0.6);
    EXPECT_NEAR(shownOpacity(*toasts[0]), 0.5, 1e-6);
    EXPECT_NEAR(shownOpacity(*toasts[1]), 1.0, 1e-6);
    advance(0.45);
    EXPECT_NEAR(shownOpacity(*toasts[0]), 0.05, 1e-6);
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

TEST_F(ToastTest, AToastRemovedEarlyIsNotRebuiltAndItsFadeFindsNothingToRemove) {
    addToast(*content_, "Short");
    auto toast = toastsIn(*content_)[0];
    advance(0.5);
    toast->removeFromSuperview();
    EXPECT_EQ(toast->layer().sublayers().size(), 1u);
    advance(2.0);
    EXPECT_EQ(toast->superview(), nullptr);
    EXPECT_EQ(toast->layer().sublayers().size(), 1u);
}

TEST_F(ToastTest, ClicksOnTheHostLandOnTheToastWhileItShows) {
    showToast(*content_, "Busy");
    click({30, 30});
    EXPECT_EQ(content_->clicks, 1);  // the toast hands the click on to its superview
    auto toast = toastsIn(*content_)[0];
    EXPECT_EQ(window_->contentView()->hitTest({30, 30}), toast.get());
}

TEST_F(ToastTest, ActivityOverlayFadesInCoversTheHostAndFadesOut) {
    hideActivity(*content_);  // none yet: nothing happens
    showActivity(*content_);
    ASSERT_EQ(content_->subviews().size(), 1u);
    auto overlay = std::dynamic_pointer_cast<ActivityView>(content_->subviews()[0]);
    ASSERT_TRUE(overlay);
    EXPECT_EQ(overlay->frame(), (ui::Rect{0, 0, 420, 620}));
    EXPECT_EQ(overlay->indicator()->frame(), (ui::Rect{160, 260, 100, 100}));
    EXPECT_TRUE(overlay->indicator()->isAnimating());
    advance(0.05);
    EXPECT_NEAR(shownOpacity(*overlay), 0.5, 0.2);
    advance(0.1);
    EXPECT_DOUBLE_EQ(overlay->layer().opacity(), 1.0);
    hideActivity(*content_);
    advance(0.2);
    EXPECT_TRUE(content_->subviews().empty());
}
