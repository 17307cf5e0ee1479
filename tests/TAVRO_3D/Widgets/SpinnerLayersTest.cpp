// The two fin layers: layout by the shorter side, stepping and wrapping, the fade of a lit
// fin, the determinate ring and pie, and the HUD spinner's timer.

#include <numbers>

#include "TAVRO_3D/ProgressHUD/ProgressIndicatorLayer.h"
#include "TAVRO_3D/Widgets/SpinningProgressIndicatorLayer.h"
#include "WidgetTestSupport.h"
#include "tests/support/RecordingContext.h"

using namespace widget_testing;
using ui::DrawOperation;
using ui::PathElement;

namespace {

std::vector<ui::LayerPtr> fins(int count) {
    std::vector<ui::LayerPtr> made;
    for (int i = 0; i < count; ++i) made.push_back(ui::Layer::make());
    return made;
}

double opacityOf(const ui::Layer& layer) {
    return std::get<double>(*layer.presentationValue("opacity"));
}

}  // namespace

class SpinnerLayersTest : public WidgetTest {};

TEST_F(SpinnerLayersTest, FinsAreLaidOutByTheShorterSideAboutTheCentre) {
    auto layer = SpinningProgressIndicatorLayer::make();
    layer->setFinLayers(fins(8));
    for (ui::Rect bounds : {ui::Rect{0, 0, 100, 60}, ui::Rect{0, 0, 60, 100}}) {
        layer->setBounds(bounds);
        for (const auto& fin : layer->finLayers()) {
            EXPECT_NEAR(fin->bounds().size.width, 5.7, 1e-9);
            EXPECT_NEAR(fin->bounds().size.height, 18, 1e-9);
            EXPECT_EQ(fin->position(), (ui::Point{bounds.midX(), bounds.midY()}));
        }
    }
}

TEST_F(SpinnerLayersTest, AdvanceLightsTheNextFinWrapsAndLetsItFadeDown) {
    auto layer = SpinningProgressIndicatorLayer::make();
    layer->fadeDownOpacity = 0.2;
    layer->setFinLayers(fins(3));
    layer->fposition = 2;
    layer->advancePosition();
    EXPECT_EQ(layer->fposition, 0);  // wrapped from the last fin
    const auto& lit = *layer->finLayers()[0];
    EXPECT_DOUBLE_EQ(lit.opacity(), 0.2);
    EXPECT_NEAR(opacityOf(lit), 1.0, 1e-9);  // still lit, fading by its implicit action
    advance(1.0);
    EXPECT_NEAR(opacityOf(lit), 0.2, 1e-9);
    layer->advancePosition();
    EXPECT_EQ(layer->fposition, 1);

    auto empty = SpinningProgressIndicatorLayer::make();
    empty->advancePosition();  // no fins: nothing to light
    EXPECT_EQ(empty->fposition, 0);
}

TEST_F(SpinnerLayersTest, DeterminateDrawingIsARingAndAPieFromTheTopClockwise) {
    auto layer = SpinningProgressIndicatorLayer::make();
    layer->setBounds({0, 0, 100, 100});
    layer->_isDeterminate = true;
    layer->foreColor = ui::Color::blueColor();
    layer->maxValue = 10;
    auto drawn = [&](double value) {
        layer->_doubleValue = value;
        ui::RecordingContext context;
        layer->drawInContext(context);
        return context.operations();
    };
    const auto ops = drawn(5);
    ASSERT_EQ(ops.size(), 3u);  // clear, ring, pie
    EXPECT_EQ(ops[1].state.strokeColor, ui::Color::blueColor());
    const auto& pie = ops[2].path.elements();
    EXPECT_EQ(pie[0].point, (ui::Point{50, 50}));
    const auto arc = std::find_if(pie.begin(), pie.end(), [](const PathElement& e) {
        return e.kind == PathElement::Kind::Arc;
    });
    ASSERT_NE(arc, pie.end());
    EXPECT_DOUBLE_EQ(arc->startAngle, std::numbers::pi / 2);
    EXPECT_DOUBLE_EQ(arc->endAngle, -std::numbers::pi / 2);  // half: down to the bottom
    EXPECT_TRUE(arc->clockwise);

    EXPECT_EQ(drawn(0).size(), 2u);  // no pie
    layer->maxValue = 0;             // nothing to measure against: no division by zero
    EXPECT_EQ(drawn(3).size(), 2u);
}

TEST_F(SpinnerLayersTest, DestroyingTheLayerTakesItsFinsAway) {
    auto layer = SpinningProgressIndicatorLayer::make();
    layer->setFinLayers(fins(4));
    ui::LayerPtr fin = layer->finLayers()[0];
    layer->animationTimer = fd::DispatchTimer::make(fd::mainQueue());
    auto timer = layer->animationTimer;
    layer.reset();
    EXPECT_EQ(fin->superlayer(), nullptr);
    EXPECT_FALSE(fin->backgroundColor());
    EXPECT_TRUE(timer->isCancelled());
}

TEST_F(SpinnerLayersTest, HudSpinnerStepsEveryFiftyMillisecondsStartingAtOnce) {
    auto spinner = ProgressIndicatorLayer::make(ui::Color::blackColor(), 40);
    auto steps = [&](int count) {
        for (int step = 0; step < count; ++step) {
            clock_->advanceSeconds(0.05);
            fd::MainLoop::drain();
        }
    };
    spinner->fposition = spinner->numFins() - 1;
    spinner->startSpinning();
    fd::MainLoop::drain();
    EXPECT_EQ(spinner->fposition, 0);  // the first step lights fin 0
    steps(1);
    EXPECT_EQ(spinner->fposition, 1);
    steps(11);
    EXPECT_EQ(spinner->fposition, 0);  // a full turn in 0.6 s
    spinner->stopSpinning();
    steps(4);
    EXPECT_EQ(spinner->fposition, 0);
    EXPECT_FALSE(spinner->hasTimer());
}
