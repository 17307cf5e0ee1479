// The two fin layers: layout by the shorter side, stepping and wrapping, the fade of a lit
// fin, the determinate ring and pie as recorded drawing, and the HUD spinner's timer.

#include <cmath>
#include <numbers>

#include "TAVRO_3D/ProgressHUD/ProgressIndicatorLayer.h"
#include "TAVRO_3D/Widgets/SpinningProgressIndicatorLayer.h"
#include "WidgetTestSupport.h"
#include "platform/ui/RecordingContext.h"

using namespace widget_testing;
using ui::DrawOperation;
using ui::PathElement;

namespace {

std::vector<ui::LayerPtr> fins(int count) {
    std::vector<ui::LayerPtr> made;
    for (int i = 0; i < count; ++i) made.push_back(ui::Layer::make());
    return made;
}

void expectFin(const ui::Layer& fin, double width, double height, ui::Point centre) {
    EXPECT_NEAR(fin.bounds().size.width, width, 1e-9);
    EXPECT_NEAR(fin.bounds().size.height, height, 1e-9);
    EXPECT_NEAR(fin.anchorPoint().x, 0.5, 1e-12);
    EXPECT_NEAR(fin.anchorPoint().y, -0.63, 1e-12);
    EXPECT_EQ(fin.position(), centre);
    EXPECT_NEAR(fin.cornerRadius(), width / 2, 1e-9);
}

double opacityOf(const ui::Layer& layer) {
    return std::get<double>(*layer.presentationValue("opacity"));
}

}  // namespace

class SpinnerLayersTest : public WidgetTest {};

TEST_F(SpinnerLayersTest, FinsAreLaidOutByTheShorterSide) {
    auto layer = SpinningProgressIndicatorLayer::make();
    layer->setFinLayers(fins(8));
    layer->setBounds({0, 0, 100, 60});
    for (const auto& fin : layer->finLayers()) expectFin(*fin, 5.7, 18, {50, 30});
    layer->setBounds({0, 0, 40, 200});
    for (const auto& fin : layer->finLayers()) expectFin(*fin, 3.8, 12, {20, 100});
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
    layer->_doubleValue = 5;
    ui::RecordingContext context;
    layer->drawInContext(context);

    const auto& ops = context.operations();
    ASSERT_EQ(ops.size(), 3u);
    EXPECT_EQ(ops[0].kind, DrawOperation::Kind::FillRect);
    EXPECT_EQ(ops[0].op, ui::CompositingOperation::Clear);
    const double lineWidth = 2.0;
    const double outer = (100 - lineWidth) / 2.1;
    EXPECT_EQ(ops[1].kind, DrawOperation::Kind::Stroke);
    EXPECT_DOUBLE_EQ(ops[1].state.lineWidth, lineWidth);
    EXPECT_EQ(ops[1].state.strokeColor, ui::Color::blueColor());
    const auto& ring = ops[1].path.elements();
    ASSERT_GE(ring.size(), 2u);
    EXPECT_EQ(ring[0].point, (ui::Point{50 + outer, 50}));
    EXPECT_EQ(ring[1].kind, PathElement::Kind::Ellipse);
    EXPECT_EQ(ring[1].rect, (ui::Rect{50 - outer, 50 - outer, 2 * outer, 2 * outer}));

    EXPECT_EQ(ops[2].kind, DrawOperation::Kind::Fill);
    EXPECT_EQ(ops[2].rule, ui::FillRule::NonZero);
    const auto& pie = ops[2].path.elements();
    const double inner = outer - 2 * lineWidth;
    EXPECT_EQ(pie[0].point, (ui::Point{50, 50}));
    EXPECT_EQ(pie[1].point, (ui::Point{50, 50 + inner}));
    const auto arc = std::find_if(pie.begin(), pie.end(), [](const PathElement& e) {
        return e.kind == PathElement::Kind::Arc;
    });
    ASSERT_NE(arc, pie.end());
    EXPECT_DOUBLE_EQ(arc->radius, inner);
    EXPECT_DOUBLE_EQ(arc->startAngle, std::numbers::pi / 2);
    EXPECT_DOUBLE_EQ(arc->endAngle, std::numbers::pi / 2 - std::numbers::pi);  // down to the bottom
    EXPECT_TRUE(arc->clockwise);

    layer->_doubleValue = 0;
    ui::RecordingContext ringOnly;
    layer->drawInContext(ringOnly);
    EXPECT_EQ(ringOnly.operations().size(), 2u);
    layer->maxValue = 0;  // nothing to measure against: no pie, no division by zero
    layer->_doubleValue = 3;
    ui::RecordingContext noMaximum;
    layer->drawInContext(noMaximum);
    EXPECT_EQ(noMaximum.operations().size(), 2u);
}

TEST_F(SpinnerLayersTest, DestroyingTheLayerTakesItsFinsAway) {
    auto layer = SpinningProgressIndicatorLayer::make();
    auto parent = ui::Layer::make();
    layer->setFinLayers(fins(4));
    ui::LayerPtr fin = layer->finLayers()[0];
    layer->animationTimer = fd::DispatchTimer::make(fd::mainQueue());
    auto timer = layer->animationTimer;
    layer.reset();
    EXPECT_EQ(fin->superlayer(), nullptr);
    EXPECT_FALSE(fin->backgroundColor());
    EXPECT_TRUE(timer->isCancelled());
}

TEST_F(SpinnerLayersTest, HudSpinnerHasTwelveRotatedFinsAboutItsCentre) {
    auto spinner = ProgressIndicatorLayer::make(ui::Color::whiteColor(), 40);
    EXPECT_EQ(spinner->bounds(), (ui::Rect{-20, -20, 40, 40}));
    ASSERT_EQ(spinner->finLayers().size(), 12u);
    for (size_t i = 0; i < 12; ++i) {
        const auto& fin = *spinner->finLayers()[i];
        expectFin(fin, 3.8, 12, {20, 20});
        EXPECT_NEAR(
            fin.transform().rotationAngle(),
            std::remainder(-static_cast<double>(i) * std::numbers::pi / 6, 2 * std::numbers::pi),
            1e-9);
        EXPECT_EQ(fin.backgroundColor(), ui::Color::whiteColor());
        EXPECT_DOUBLE_EQ(fin.opacity(), 0.0);
        ASSERT_TRUE(fin.actions().count("opacity"));
        EXPECT_DOUBLE_EQ(fin.actions().at("opacity")->duration, 0.7);
    }
    EXPECT_FALSE(spinner->isRunning);
    EXPECT_FALSE(spinner->hasTimer());
}

TEST_F(SpinnerLayersTest, HudSpinnerStepsEveryFiftyMillisecondsStartingAtOnce) {
    auto spinner = ProgressIndicatorLayer::make(ui::Color::blackColor(), 40);
    spinner->fposition = spinner->numFins() - 1;
    spinner->startSpinning();
    fd::MainLoop::drain();
    EXPECT_EQ(spinner->fposition, 0);  // the first step lights fin 0
    clock_->advanceSeconds(0.05);
    fd::MainLoop::drain();
    EXPECT_EQ(spinner->fposition, 1);
    for (int step = 0; step < 11; ++step) {
        clock_->advanceSeconds(0.05);
        fd::MainLoop::drain();
    }
    EXPECT_EQ(spinner->fposition, 0);  // a full turn in 0.6 s
    spinner->stopSpinning();
    clock_->advanceSeconds(0.2);
    fd::MainLoop::drain();
    EXPECT_EQ(spinner->fposition, 0);
    EXPECT_FALSE(spinner->hasTimer());
}
