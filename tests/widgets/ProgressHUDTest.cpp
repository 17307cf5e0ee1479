// The progress HUD and the two fin layers it and other views spin.

#include <numbers>

#include "WidgetTestSupport.h"
#include "tests/support/RecordingContext.h"
#include "widgets/ProgressHUD/ProgressHUD.h"
#include "widgets/ProgressHUD/ProgressIndicatorLayer.h"
#include "widgets/SpinningProgressIndicatorLayer.h"

using namespace widget_testing;
using ui::DrawOperation;
using ui::Rect;

// The one arc the path holds; it runs clockwise from the top.
static ui::PathElement arcFromTheTop(const ui::Path& path) {
    std::vector<ui::PathElement> arcs;
    for (const auto& element : path.elements())
        if (element.kind == ui::PathElement::Kind::Arc) arcs.push_back(element);
    EXPECT_EQ(arcs.size(), 1u);
    if (arcs.empty()) return {};
    EXPECT_DOUBLE_EQ(arcs[0].startAngle, std::numbers::pi / 2);
    EXPECT_TRUE(arcs[0].clockwise);
    return arcs[0];
}

static std::shared_ptr<SpinningProgressIndicatorLayer> layerWithFins(int count) {
    auto layer = SpinningProgressIndicatorLayer::make();
    std::vector<ui::LayerPtr> fins;
    for (int i = 0; i < count; ++i) fins.push_back(ui::Layer::make());
    layer->setFinLayers(fins);
    return layer;
}

class ProgressHUDTest : public WidgetTest {
  protected:
    void SetUp() override {
        WidgetTest::SetUp();
        hud_ = ProgressHUD::initWithFrame({});
        hud_->containerView = content_;
    }
    void TearDown() override {
        // A shown HUD and its container hold each other.
        hud_->hideHUD(false);
        hud_->containerView = nullptr;
        WidgetTest::TearDown();
    }
    void show(const std::string& status,
              const ProgressHUDMode& mode = ProgressHUDMode::indeterminate()) {
        hud_->showStatus(status, mode);
        advance(0.3);
        hud_->layoutHUD();
    }
    std::vector<DrawOperation> drawing() {
        ui::RecordingContext context;
        hud_->drawRect(hud_->bounds(), context);
        return context.operations();
    }
    std::shared_ptr<ProgressHUD> hud_;
};

TEST_F(ProgressHUDTest, TheBoxFitsItsContentAndSitsWhereItsPositionSays) {
    show("");
    EXPECT_EQ(hud_->frame(), (Rect{0, 0, 420, 620}));
    EXPECT_EQ(hud_->boxRect(), (Rect{172, 270, 76, 80}));  // 40 + 4 high, 18 around
    EXPECT_EQ(hud_->indicator()->frame(), (Rect{190, 292, 40, 40}));
    // The icon modes keep the spinner's place for their icon.
    for (auto mode : {ProgressHUDMode::determinate(), ProgressHUDMode::info(),
                      ProgressHUDMode::success(), ProgressHUDMode::error()}) {
        show("", mode);
        EXPECT_FALSE(hud_->indicator());
        EXPECT_EQ(hud_->size(), (ui::Size{76, 80}));
    }
    show("Loading");
    const Rect centre = hud_->boxRect();
    EXPECT_LT(hud_->statusLabel()->frame().maxY(), hud_->indicator()->frame().minY());
    hud_->position = ProgressHUDPosition::top;
    show("Loading");
    EXPECT_EQ(hud_->boxRect(), centre.offsetBy(0, 124));
    hud_->position = ProgressHUDPosition::bottom;
    show("Loading");
    EXPECT_EQ(hud_->boxRect(), centre.offsetBy(0, -124));
    // A long text is capped at the container less its margins.
    show(std::string(120, 'W'), ProgressHUDMode::text());
    EXPECT_EQ(hud_->statusLabel()->frame().size.width, 420 - 72);
}

TEST_F(ProgressHUDTest, AMaskDimsTheContainerAndTheRingRunsClockwiseFromTheTop) {
    show("Updating", ProgressHUDMode::determinate());
    hud_->progress = 0.25;
    auto ops = drawing();
    ASSERT_EQ(ops.size(), 3u);  // box, progress arc, start mark
    const auto arc = arcFromTheTop(ops[1].path);
    EXPECT_EQ(arc.center, (ui::Point{hud_->boxRect().midX(), hud_->boxRect().maxY() - 36}));
    EXPECT_NEAR(arc.endAngle, 0, 1e-12);  // a quarter
    hud_->maskType = ProgressHUDMaskType::black();
    ops = drawing();
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[0].kind, DrawOperation::Kind::FillRect);
    EXPECT_EQ(ops[0].rect, (Rect{0, 0, 420, 620}));
    hud_->maskType = ProgressHUDMaskType::clear();
    EXPECT_EQ(drawing().size(), 3u);
}

TEST_F(ProgressHUDTest, ShowAndHidePostTheirFourNotificationsInOrder) {
    NotificationRecorder log(NotificationRecorder::NamePrefix{}, "ProgressHUD.");
    // Hiding a HUD never shown stops before the clean-up.
    auto completions = std::make_shared<int>(0);
    hud_->completionHandler = [completions] { ++*completions; };
    hud_->hideHUD(false);
    EXPECT_EQ(log.names(), std::vector<std::string>{"ProgressHUD.willDisappear"});
    EXPECT_EQ(*completions, 0);
    log.clear();
    hud_->showStatus("Loading", ProgressHUDMode::indeterminate());
    EXPECT_EQ(log.names(), std::vector<std::string>{"ProgressHUD.willAppear"});
    EXPECT_TRUE(hud_->superview() == content_.get());
    advance(0.25);
    EXPECT_DOUBLE_EQ(hud_->alphaValue(), 1.0);
    hud_->hideHUD(true);
    advance(0.25);
    EXPECT_EQ(log.names(),
              (std::vector<std::string>{"ProgressHUD.willAppear", "ProgressHUD.didAppear",
                                        "ProgressHUD.willDisappear", "ProgressHUD.didDisappear"}));
    for (const auto& object : log.objects()) EXPECT_EQ(object.objectAs<ProgressHUD>(), hud_);
    EXPECT_EQ(hud_->superview(), nullptr);
    EXPECT_TRUE(hud_->isHidden());
    EXPECT_FALSE(hud_->indicator());
    EXPECT_EQ(hud_->statusLabel()->string(), "");
    EXPECT_FALSE(hud_->progressIndicator()->hasTimer());
    EXPECT_EQ(*completions, 1);  // a hide after a show ends with the completion
}

// A show while shown keeps the HUD's place and spinner; one during the fade-out leaves the
// HUD shown.
TEST_F(ProgressHUDTest, AShowWhileVisibleOrFadingOutKeepsTheHudShown) {
    NotificationRecorder log(NotificationRecorder::NamePrefix{}, "ProgressHUD.");
    hud_->showStatus("One", ProgressHUDMode::indeterminate());
    fd::MainLoop::drain();
    const auto spinner = hud_->progressIndicator();
    EXPECT_EQ(spinner->fposition, 0);  // the first step lit fin 0
    advance(0.3);
    show("Two");
    EXPECT_EQ(hud_->progressIndicator(), spinner);
    EXPECT_EQ(std::count(content_->subviews().begin(), content_->subviews().end(), hud_), 1);
    EXPECT_EQ(hud_->statusLabel()->string(), "Two");
    EXPECT_EQ(log.names().size(), 4u);  // two pairs of appear notifications
    hud_->hideHUD(true);
    advance(0.1);  // half way out
    hud_->showStatus("Three", ProgressHUDMode::indeterminate());
    advance(0.5);  // both fades have ended
    EXPECT_EQ(hud_->superview(), content_.get());
    EXPECT_FALSE(hud_->isHidden());
    EXPECT_DOUBLE_EQ(hud_->alphaValue(), 1.0);
    EXPECT_EQ(hud_->statusLabel()->string(), "Three");
    EXPECT_TRUE(hud_->progressIndicator()->hasTimer());
    // The HUD still hides normally afterwards, and a show without animation during a
    // fade-out holds as well.
    hud_->hideHUD(true);
    advance(0.1);
    hud_->fadeIn(false);
    advance(0.5);
    EXPECT_EQ(hud_->superview(), content_.get());
    hud_->hideHUD(true);
    advance(0.5);
    EXPECT_EQ(hud_->superview(), nullptr);
    show("Four");
    EXPECT_NE(hud_->progressIndicator(), spinner);  // a show from hidden makes a new one
}

TEST_F(ProgressHUDTest, ClicksReachTheHostOnlyWithoutMaskAndHideADismissibleHud) {
    NotificationRecorder log({"ProgressHUD.didReceiveMouseDownEvent"});
    show("Loading");
    click({20, 20});
    EXPECT_EQ(content_->clicks, 1);
    for (auto mask : {ProgressHUDMaskType::clear(), ProgressHUDMaskType::black(),
                      ProgressHUDMaskType::custom(ui::Color::blackColor().withAlpha(0.2))}) {
        hud_->maskType = mask;
        click({20, 20});
        EXPECT_EQ(content_->clicks, 1);
    }
    EXPECT_EQ(log.names().size(), 4u);
    EXPECT_EQ(hud_->superview(), content_.get());  // not dismissible
    hud_->dismissible = true;
    click({20, 20});
    advance(0.25);
    EXPECT_EQ(hud_->superview(), nullptr);
}

TEST_F(ProgressHUDTest, WithoutAContainerTheHudShowsInItsOwnFloatingWindow) {
    hud_->containerView = nullptr;
    hud_->showStatus("Loading", ProgressHUDMode::indeterminate());
    const auto& window = hud_->windowController()->window();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->level(), ui::WindowLevelFloating);
    EXPECT_EQ(window->frame(), ui::Screen::screens().front().frame);
    EXPECT_EQ(hud_->superview(), window->contentView().get());
    EXPECT_TRUE(window_->isKeyWindow());  // the HUD's own window does not take key status
    hud_->hideHUD(false);
    EXPECT_FALSE(window->isVisible());
}

using SpinnerLayersTest = WidgetTest;

TEST_F(SpinnerLayersTest, FinsAreLaidOutByTheShorterSideGoWithTheLayerAndLightInTurn) {
    auto layer = layerWithFins(8);
    for (ui::Rect bounds : {ui::Rect{0, 0, 100, 60}, ui::Rect{0, 0, 60, 100}}) {
        layer->setBounds(bounds);
        for (const auto& fin : layer->finLayers()) {
            EXPECT_NEAR(fin->bounds().size.width, 5.7, 1e-9);
            EXPECT_NEAR(fin->bounds().size.height, 18, 1e-9);
            EXPECT_EQ(fin->position(), (ui::Point{bounds.midX(), bounds.midY()}));
        }
    }
    ui::LayerPtr fin = layer->finLayers()[0];
    auto timer = layer->animationTimer = fd::DispatchTimer::make(fd::mainQueue());
    layer.reset();
    EXPECT_EQ(fin->superlayer(), nullptr);
    EXPECT_FALSE(fin->backgroundColor());
    EXPECT_TRUE(timer->isCancelled());
    layer = layerWithFins(3);
    layer->fadeDownOpacity = 0.2;
    layer->fposition = 2;
    layer->advancePosition();
    EXPECT_EQ(layer->fposition, 0);  // wrapped from the last fin
    const auto& lit = *layer->finLayers()[0];
    EXPECT_DOUBLE_EQ(lit.opacity(), 0.2);
    EXPECT_NEAR(shownOpacity(lit), 1.0, 1e-9);  // still lit, fading by its implicit action
    advance(1.0);
    EXPECT_NEAR(shownOpacity(lit), 0.2, 1e-9);
    layer->advancePosition();
    EXPECT_EQ(layer->fposition, 1);
    auto empty = layerWithFins(0);
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
    EXPECT_EQ(ops[2].path.elements()[0].point, (ui::Point{50, 50}));
    EXPECT_DOUBLE_EQ(arcFromTheTop(ops[2].path).endAngle, -std::numbers::pi / 2);  // half
    EXPECT_EQ(drawn(0).size(), 2u);                                                // no pie
    layer->maxValue = 0;  // nothing to measure against: no division by zero
    EXPECT_EQ(drawn(3).size(), 2u);
}

TEST_F(SpinnerLayersTest, HudSpinnerStepsEveryFiftyMillisecondsStartingAtOnce) {
    auto spinner = ProgressIndicatorLayer::make(ui::Color::blackColor(), 40);
    auto steps = [&](int count) { test_support::advanceInSteps(*clock_, 0.05 * count, 0.05); };
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
