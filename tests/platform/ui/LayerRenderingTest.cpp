#include <numbers>

#include "UiTestSupport.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/TextLayer.h"
#include "platform/ui/Transaction.h"
#include "platform/ui/View.h"

namespace platform::ui {
namespace {

using LayerRenderingTest = testing::UiTest;
using testing::near;

TEST_F(LayerRenderingTest, FinsHangFromTheirAnchorAndTurnAboutTheCentre) {
    // A 100 x 100 host with one fin of a spinner: 9.5 x 30, anchored below itself so that
    // it stands above the centre, turned a quarter clockwise to point right.
    auto host = View::create(Rect{0, 0, 100, 100});
    auto fin = Layer::make();
    ScopedTransaction quiet;
    fin->setBounds({0, 0, 9.5, 30});
    fin->setAnchorPoint({0.5, -0.63});
    fin->setPosition({50, 50});
    fin->setBackgroundColor(Color::rgb(1, 0, 0));
    host->layer().addSublayer(fin);
    PixelBuffer up = renderView(*host);
    // Upright: the fin spans y = 50 + 0.63 * 30 ... 50 + 1.63 * 30 above the centre.
    EXPECT_TRUE(near(up.pixelFromBottom(50, 75), 0xFFFF0000));
    EXPECT_EQ(alphaOf(up.pixelFromBottom(50, 60)), 0);
    EXPECT_EQ(alphaOf(up.pixelFromBottom(75, 50)), 0);
    fin->setTransform(AffineTransform::rotation(-std::numbers::pi / 2));
    PixelBuffer turned = renderView(*host);
    EXPECT_TRUE(near(turned.pixelFromBottom(75, 50), 0xFFFF0000));
    EXPECT_EQ(alphaOf(turned.pixelFromBottom(50, 75)), 0);
}

TEST_F(LayerRenderingTest, AnimatedOpacityIsPaintedAtItsCurrentValue) {
    auto host = View::create(Rect{0, 0, 10, 10});
    host->layer().setBackgroundColor(Color::rgb(0, 0, 1));
    host->layer().addAnimation(testing::basic("opacity", 1.0, 0.0, 1.0), "fade");
    advance(0.75);
    EXPECT_NEAR(alphaOf(renderView(*host).pixelFromBottom(5, 5)), 64, 2);
    advance(0.5);
    EXPECT_EQ(alphaOf(renderView(*host).pixelFromBottom(5, 5)), 255);  // over: the model value
}

TEST_F(LayerRenderingTest, TextLayerDrawsItsStringCentredInItsColour) {
    auto host = View::create(Rect{0, 0, 200, 40});
    auto bubble = Layer::make();
    bubble->setFrame({0, 0, 200, 40});
    bubble->setBackgroundColor(Color::rgb(0x5C / 255.0, 0x5C / 255.0, 0x5C / 255.0));
    bubble->setCornerRadius(20);
    auto text = TextLayer::make();
    text->setFrame({20, 10, 160, 20});
    text->setString("WWWW");
    text->setFontSize(16);
    text->setAlignmentMode(TextAlignment::Center);
    text->setForegroundColor(Color::whiteColor());
    bubble->addSublayer(text);
    host->layer().addSublayer(bubble);
    PixelBuffer pixels = renderView(*host);
    EXPECT_TRUE(near(pixels.pixelFromBottom(100, 3), 0xFF5C5C5C));
    EXPECT_EQ(alphaOf(pixels.pixelFromBottom(1, 1)), 0);  // the rounded corner
    // Four letters of about 16 points each stay in the middle of the 160-point text layer.
    int white[3] = {};  // left, middle and right thirds
    for (int y = 10; y < 30; ++y)
        for (int x = 20; x < 180; ++x)
            white[x < 60 ? 0 : x < 140 ? 1 : 2] += redOf(pixels.pixelFromBottom(x, y)) > 200;
    EXPECT_EQ(white[0], 0);
    EXPECT_GT(white[1], 20);
    EXPECT_EQ(white[2], 0);
}

}  // namespace
}  // namespace platform::ui
