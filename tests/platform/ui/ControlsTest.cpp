#include "UiTestSupport.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/ProgressIndicator.h"
#include "platform/ui/ViewController.h"

namespace platform::ui {
namespace {

using ControlsTest = testing::UiTest;

TEST_F(ControlsTest, ImageViewScalesAsItsScalingSays) {
    auto view = View::create<ImageView>(Rect{0, 0, 100, 50});
    view->setImage(Image::named("demo-logo"));  // 32 x 32
    EXPECT_EQ(view->imageRect(), (Rect{34, 9, 32, 32}));
    view->setImageScaling(ImageScaling::ProportionallyUpOrDown);
    EXPECT_EQ(view->imageRect(), (Rect{25, 0, 50, 50}));
    view->setImageScaling(ImageScaling::AxesIndependently);
    EXPECT_EQ(view->imageRect(), view->bounds());
    view->setFrameSize({16, 16});
    view->setImageScaling(ImageScaling::ProportionallyDown);
    EXPECT_EQ(view->imageRect(), (Rect{0, 0, 16, 16}));
}

TEST_F(ControlsTest, ProgressValuesStayWithinTheRange) {
    auto progress = View::create<ProgressIndicator>(Rect{0, 0, 100, 6});
    progress->setIndeterminate(false);
    progress->setDoubleValue(250);
    EXPECT_DOUBLE_EQ(progress->doubleValue(), 100);
    progress->setMaxValue(0);  // an empty range shows nothing rather than dividing by zero
    EXPECT_DOUBLE_EQ(progress->fraction(), 0);
}

TEST_F(ControlsTest, ConstraintConstantsPlaceTheViewInEitherSpace) {
    for (bool flipped : {false, true}) {
        auto parent = View::create(Rect{0, 0, 200, 100});
        parent->setFlipped(flipped);
        auto knob = View::create(Rect{0, 0, 20, 10});
        parent->addSubview(knob);
        LayoutConstraint leading(knob, LayoutAttribute::Leading, -7);
        LayoutConstraint top(knob, LayoutAttribute::Top, 5);
        leading.apply();
        top.apply();
        EXPECT_DOUBLE_EQ(knob->frame().origin.x, -7);
        // The knob's top edge lies five points below the parent's, whichever way it counts.
        EXPECT_EQ(knob->convertPointToView({0, 10}, parent.get()).y, flipped ? 5.0 : 95.0);
        leading.setConstant(262 - 20 + 7);
        EXPECT_DOUBLE_EQ(knob->frame().origin.x, 249);
    }
}

// Views that leave the tree in the middle of an event sequence, also from their own action,
// get no more events and are released.
TEST_F(ControlsTest, ViewsLeavingDuringAClickGetNoMoreEvents) {
    auto window = Window::make({0, 0, 100, 100}, WindowStyleTitled);
    auto button = View::create<Button>(Rect{0, 0, 50, 50});
    auto selfRemoving = View::create<Button>(Rect{50, 50, 50, 50});
    int actions = 0;
    button->setAction([&](Control&) { ++actions; });
    selfRemoving->setAction([&](Control& sender) {
        sender.removeFromSuperview();  // the window held the only reference
        ++actions;
    });
    window->contentView()->addSubview(button);
    window->contentView()->addSubview(selfRemoving);
    std::weak_ptr<Button> weak = button, weakSelfRemoving = selfRemoving;
    selfRemoving.reset();
    send(EventType::LeftMouseDown, window, {10, 10});
    button->removeFromSuperview();
    button.reset();
    EXPECT_TRUE(weak.expired());
    send(EventType::LeftMouseDragged, window, {12, 12});
    send(EventType::LeftMouseUp, window, {12, 12});
    EXPECT_EQ(actions, 0);
    click(window, {60, 60});
    EXPECT_EQ(actions, 1);
    EXPECT_TRUE(weakSelfRemoving.expired());
}

}  // namespace
}  // namespace platform::ui
