// Faults found when the widgets were first tried: key status that a borderless window took
// from the main window or that vanished with a closed window, a layer that cleared the
// window beneath it, and a spinner that ignored its tint.

#include "UiTestSupport.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Layer.h"
#include "platform/ui/ProgressIndicator.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/View.h"

namespace platform::ui::testing {
namespace {

using KeyWindowTest = UiTest;

TEST_F(KeyWindowTest, BorderlessWindowsLeaveKeyStatusWithTheMainWindow) {
    auto main = Window::make({0, 0, 420, 620}, WindowStyleTitled);
    main->makeKeyAndOrderFront();
    auto hud = Window::make({0, 0, 420, 620}, WindowStyleBorderless);
    hud->makeKeyAndOrderFront();
    EXPECT_EQ(Application::shared().orderedWindows().front(), hud);
    EXPECT_TRUE(main->isKeyWindow());
    hud->makeKeyWindow();
    EXPECT_TRUE(main->isKeyWindow());
    // A click on it does not take key status either.
    click(hud, {10, 10});
    EXPECT_TRUE(main->isKeyWindow());
    // A borderless window that says it can (a popover's) does become key.
    hud->setCanBecomeKeyWindow(true);
    hud->makeKeyWindow();
    EXPECT_TRUE(hud->isKeyWindow());
}

TEST_F(KeyWindowTest, ClosingTheKeyWindowHandsKeyStatusOn) {
    auto back = Window::make({0, 0, 100, 100}, WindowStyleTitled);
    auto middle = Window::make({0, 0, 100, 100}, WindowStyleTitled);
    auto badge = Window::make({0, 0, 10, 10}, WindowStyleBorderless);
    back->makeKeyAndOrderFront();
    middle->makeKeyAndOrderFront();
    auto front = Window::make({0, 0, 100, 100}, WindowStyleTitled | WindowStyleClosable);
    badge->setLevel(WindowLevelFloating);
    badge->orderFront();
    front->makeKeyAndOrderFront();
    ASSERT_TRUE(front->isKeyWindow());
    EXPECT_EQ(Application::shared().orderedWindows().front(), badge);  // a higher level
    front->close();  // the frontmost window that can take it, never the borderless one
    EXPECT_TRUE(middle->isKeyWindow());
    middle->orderOut();
    EXPECT_TRUE(back->isKeyWindow());
    back->close();
    EXPECT_EQ(Application::shared().keyWindow(), nullptr);
    // Closing a window that is not key leaves key status alone.
    back->makeKeyAndOrderFront();
    middle->orderFront();
    middle->close();
    EXPECT_TRUE(back->isKeyWindow());
}

TEST_F(KeyWindowTest, AClickMakesItsWindowKeyAndBringsItFront) {
    auto first = Window::make({0, 0, 100, 100}, WindowStyleTitled);
    auto second = Window::make({200, 0, 100, 100}, WindowStyleTitled);
    first->makeKeyAndOrderFront();
    second->orderFront();
    first->orderFront();
    ASSERT_TRUE(first->isKeyWindow());
    send(EventType::LeftMouseDown, second, {50, 50});
    EXPECT_TRUE(second->isKeyWindow());
    EXPECT_EQ(Application::shared().orderedWindows().front(), second);
    send(EventType::LeftMouseUp, second, {50, 50});
    send(EventType::RightMouseDown, first, {50, 50});
    EXPECT_TRUE(first->isKeyWindow());
}

// A blue mark over the top quarter of `bounds`, in the drawer's own space.
void drawMark(GraphicsContext& context, const Rect& bounds) {
    context.setFillColor(Color::rgb(0, 0, 1));
    context.fillRect({0, bounds.height() * 0.75, bounds.width(), bounds.height() / 4});
}

// A layer that clears its whole context before it draws its mark, as progress layers do.
class ClearingLayer : public Layer {
  public:
    void drawInContext(GraphicsContext& context) override {
        context.clearRect(bounds());
        drawMark(context, bounds());
    }
};

// The same mark drawn by a view, for the orientation to compare with.
class MarkView : public View {
  public:
    using View::View;
    void drawRect(const Rect&, GraphicsContext& context) override { drawMark(context, bounds()); }
};

using LayerBackingTest = UiTest;

TEST_F(LayerBackingTest, ALayerThatClearsItsContextClearsOnlyItsOwnBacking) {
    for (bool flipped : {false, true}) {
        SCOPED_TRACE(flipped ? "flipped host" : "host with y up");
        auto window = Window::make({0, 0, 100, 100}, WindowStyleTitled);
        auto host = std::make_shared<View>(Rect{0, 0, 100, 100});
        host->setFlipped(flipped);
        host->setWantsLayer(true);
        host->layer().setBackgroundColor(Color::rgb(1, 0, 0));
        window->setContentView(host);
        auto layer = std::make_shared<ClearingLayer>();
        layer->setBounds({0, 0, 40, 40});
        layer->setAnchorPoint({0, 0});
        layer->setPosition({10, 10});
        host->layer().addSublayer(layer);
        auto mark = std::make_shared<MarkView>(Rect{50, 10, 40, 40});
        mark->setFlipped(flipped);  // a layer draws in its host's orientation
        host->addSubview(mark);
        const PixelBuffer pixels = renderWindow(*window, 1.0);
        EXPECT_EQ(pixels.pixelFromTop(5, 5) & 0x00FFFFFF, 0xFF0000u);
        // Inside the layer but outside its mark the red background still shows.
        for (int y = 0; y < 100; ++y) {
            const uint32_t layerPixel = pixels.pixelFromTop(30, y);
            const uint32_t viewPixel = pixels.pixelFromTop(70, y);
            // The layer's mark sits where the view's own drawing puts the same mark.
            EXPECT_EQ(layerPixel, viewPixel) << "row " << y;
            EXPECT_NE(layerPixel >> 24, 0u) << "row " << y;  // never cleared through
        }
    }
}

TEST_F(LayerBackingTest, SpinnerDrawsInTheTintItIsGiven) {
    auto brightest = [](const PixelBuffer& pixels) {
        int best = 0;
        for (uint32_t p : pixels.argb)
            best = std::max(best, std::min({redOf(p), greenOf(p), blueOf(p)}));
        return best;
    };
    for (bool white : {false, true}) {
        auto box = std::make_shared<View>(Rect{0, 0, 60, 60});
        box->setWantsLayer(true);
        box->layer().setBackgroundColor(Color::withWhite(0.1, 1));
        auto spinner = std::make_shared<ProgressIndicator>(Rect{14, 14, 32, 32});
        spinner->setStyle(ProgressIndicatorStyle::Spinning);
        if (white) spinner->setTintColor(Color::whiteColor());
        spinner->startAnimation();
        box->addSubview(spinner);
        // White fins on the dark box; else the platform's dark grey.
        const int level = brightest(renderView(*box, 1.0));
        EXPECT_TRUE(white ? level > 200 : level < 90) << level;
    }
}

}  // namespace
}  // namespace platform::ui::testing
