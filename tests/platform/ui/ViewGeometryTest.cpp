#include "UiTestSupport.h"
#include "platform/ui/View.h"

namespace platform::ui {
namespace {

using ViewGeometryTest = testing::UiTest;

struct Tree {
    WindowPtr window = Window::make({100, 200, 400, 300}, WindowStyleTitled);
    ViewPtr outer = View::create(Rect{50, 40, 200, 150});   // y-up
    ViewPtr flipped = View::create(Rect{20, 30, 100, 80});  // y-down, inside outer
    ViewPtr inner = View::create(Rect{10, 10, 30, 20});     // y-up, inside flipped
    Tree() {
        flipped->setFlipped(true);
        window->contentView()->addSubview(outer);
        outer->addSubview(flipped);
        flipped->addSubview(inner);
    }
};

TEST_F(ViewGeometryTest, PointsConvertThroughFlippedAndNonFlippedViews) {
    Tree t;
    // The flipped view's top-left corner is its origin: in outer it is (20, 30 + 80).
    EXPECT_EQ(t.flipped->convertPointToView({0, 0}, t.outer.get()), (Point{20, 110}));
    // inner's bottom-left sits 10 below the flipped view's top, plus its own height 20.
    EXPECT_EQ(t.inner->convertPointToView({0, 0}, t.flipped.get()), (Point{10, 30}));
    EXPECT_EQ(t.inner->convertPointToView({0, 0}, nullptr), (Point{80, 120}));
    EXPECT_EQ(t.inner->convertPointToView({0, 20}, nullptr), (Point{80, 140}));
    EXPECT_EQ(t.inner->convertPointToScreen({0, 0}), (Point{180, 320}));
    // Back again, any route gives the starting point.
    for (Point p : {Point{0, 0}, Point{3.5, 7.25}, Point{29, 19}}) {
        Point inWindow = t.inner->convertPointToView(p, nullptr);
        EXPECT_EQ(t.inner->convertPointFromView(inWindow, nullptr), p);
        Point inOuter = t.inner->convertPointToView(p, t.outer.get());
        EXPECT_EQ(t.outer->convertPointToView(inOuter, t.inner.get()), p);
        EXPECT_EQ(t.inner->convertPointFromScreen(t.inner->convertPointToScreen(p)), p);
    }
    Rect r = t.inner->convertRectToView(t.inner->bounds(), t.outer.get());
    EXPECT_EQ(r, (Rect{30, 80, 30, 20}));
    EXPECT_EQ(t.outer->convertRectToView(r, t.inner.get()), t.inner->bounds());
    t.outer->setBoundsOrigin({5, 10});  // shifts the content
    EXPECT_EQ(t.flipped->convertPointToView({0, 0}, nullptr), (Point{50 + 20 - 5, 40 + 110 - 10}));
}

TEST_F(ViewGeometryTest, HitTestFindsTheDeepestVisibleViewAndHonoursEdges) {
    Tree t;
    View* root = t.window->contentView().get();
    EXPECT_EQ(root->hitTest({81, 121}), t.inner.get());
    EXPECT_EQ(root->hitTest({75, 125}), t.flipped.get());
    EXPECT_EQ(root->hitTest({60, 50}), t.outer.get());
    EXPECT_EQ(root->hitTest({5, 5}), root);
    EXPECT_EQ(root->hitTest({-1, 5}), nullptr);
    // A y-up view owns its top edge, not its bottom edge.
    EXPECT_EQ(root->hitTest({60, 40}), root);
    EXPECT_EQ(root->hitTest({60, 190}), t.outer.get());
    t.inner->setHidden(true);
    EXPECT_EQ(root->hitTest({81, 121}), t.flipped.get());
    t.flipped->setHidden(true);
    EXPECT_TRUE(t.inner->isHiddenOrHasHiddenAncestor());
    EXPECT_EQ(root->hitTest({81, 121}), t.outer.get());
    // Later siblings are hit first; adding a subview again moves it to the front.
    auto above = View::create(Rect{0, 0, 100, 100});
    root->addSubview(above);
    EXPECT_EQ(root->hitTest({60, 50}), above.get());
    root->addSubview(t.outer);
    EXPECT_EQ(root->hitTest({60, 50}), t.outer.get());
}

TEST_F(ViewGeometryTest, TreeChangesKeepSuperviewWindowAndHooksConsistent) {
    struct Watch : View {
        int moves = 0;
        int windowMoves = 0;
        void viewDidMoveToSuperview() override { ++moves; }
        void viewDidMoveToWindow() override { ++windowMoves; }
    };
    auto window = Window::make({0, 0, 100, 100}, WindowStyleBorderless);
    auto a = View::create(Rect{0, 0, 10, 10});
    auto watch = View::create<Watch>();
    a->addSubview(watch);
    EXPECT_EQ(watch->moves, 1);
    EXPECT_EQ(watch->window(), nullptr);
    window->contentView()->addSubview(a);
    EXPECT_EQ(watch->window(), window.get());
    EXPECT_EQ(watch->windowMoves, 1);
    std::weak_ptr<Watch> weak = watch;
    watch.reset();
    a->removeFromSuperview();
    ASSERT_FALSE(weak.expired());
    EXPECT_EQ(weak.lock()->window(), nullptr);
    EXPECT_EQ(weak.lock()->windowMoves, 2);
    a->subviews().front()->removeFromSuperview();
    EXPECT_TRUE(weak.expired());  // the superview was its only owner
}

TEST_F(ViewGeometryTest, AutoresizingKeepsFlexibleMarginsProportional) {
    auto parent = View::create(Rect{0, 0, 200, 100});
    auto centred = View::create(Rect{50, 25, 100, 50});
    centred->setAutoresizingMask(ViewMinXMargin | ViewMaxXMargin | ViewMinYMargin | ViewMaxYMargin);
    auto filling = View::create(Rect{0, 0, 200, 100});
    filling->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    parent->addSubview(centred);
    parent->addSubview(filling);
    parent->setFrameSize({300, 200});
    EXPECT_EQ(centred->frame(), (Rect{100, 75, 100, 50}));
    EXPECT_EQ(filling->frame(), (Rect{0, 0, 300, 200}));
}

TEST_F(ViewGeometryTest, WindowsCentreOnTheirScreenAndGoFullScreenOnAChosenOne) {
    const Screen main{1, "Built-in", {0, 0, 1440, 900}, {0, 0, 1440, 875}, 2.0};
    const Screen glasses{7, "TAVRO Glass", {1440, -180, 1920, 1080}, {1440, -180, 1920, 1080}, 1};
    setScreenSource(std::make_shared<FixedScreenSource>(std::vector<Screen>{main, glasses}));
    auto window = Window::make({0, 0, 420, 620}, WindowStyleTitled | WindowStyleClosable);
    window->center();
    EXPECT_EQ(window->frame(), (Rect{510, 128, 420, 620}));
    window->setFrameOrigin({-5000, 0});
    EXPECT_EQ(window->screen()->displayId, 1u);  // off every screen: the first
    window->setFrameOrigin({2000, 100});
    EXPECT_EQ(window->screen()->displayId, 7u);
    window->enterFullScreen(glasses);
    EXPECT_EQ(window->fullScreenDisplay(), 7u);
    EXPECT_EQ(window->frame(), glasses.frame);
    EXPECT_TRUE(window->styleMask() & WindowStyleFullScreen);
    EXPECT_EQ(window->contentView()->frame(), (Rect{0, 0, 1920, 1080}));
    // Moving to another screen keeps the frame to return to.
    window->enterFullScreen(main);
    EXPECT_EQ(window->frame(), main.frame);
    window->exitFullScreen();
    EXPECT_FALSE(window->isFullScreen());
    EXPECT_EQ(window->frame(), (Rect{2000, 100, 420, 620}));
    EXPECT_EQ(window->styleMask(), unsigned(WindowStyleTitled | WindowStyleClosable));
}

}  // namespace
}  // namespace platform::ui
