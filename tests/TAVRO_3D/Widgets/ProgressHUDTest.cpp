// The progress HUD: its layout, what it draws, the notifications of a show and a hide,
// clicks by mask type, and the spinner's life across shows.

#include <numbers>

#include "TAVRO_3D/ProgressHUD/ProgressHUD.h"
#include "TAVRO_3D/ProgressHUD/ProgressIndicatorLayer.h"
#include "WidgetTestSupport.h"
#include "tests/support/RecordingContext.h"

using namespace widget_testing;
using ui::DrawOperation;
using ui::PathElement;
using ui::Rect;

static std::vector<PathElement> arcsOf(const ui::Path& path) {
    std::vector<PathElement> arcs;
    for (const auto& element : path.elements())
        if (element.kind == PathElement::Kind::Arc) arcs.push_back(element);
    return arcs;
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
    void show(const std::string& status, const ProgressHUDMode& mode) {
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
    show("", ProgressHUDMode::indeterminate());
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
    show("Loading", ProgressHUDMode::indeterminate());
    const Rect centre = hud_->boxRect();
    EXPECT_LT(hud_->statusLabel()->frame().maxY(), hud_->indicator()->frame().minY());
    hud_->position = ProgressHUDPosition::top;
    show("Loading", ProgressHUDMode::indeterminate());
    EXPECT_EQ(hud_->boxRect(), centre.offsetBy(0, 124));
    hud_->position = ProgressHUDPosition::bottom;
    show("Loading", ProgressHUDMode::indeterminate());
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
    const auto arcs = arcsOf(ops[1].path);
    ASSERT_EQ(arcs.size(), 1u);
    EXPECT_EQ(arcs[0].center, (ui::Point{hud_->boxRect().midX(), hud_->boxRect().maxY() - 36}));
    EXPECT_DOUBLE_EQ(arcs[0].startAngle, std::numbers::pi / 2);
    EXPECT_NEAR(arcs[0].endAngle, 0, 1e-12);  // a quarter
    EXPECT_TRUE(arcs[0].clockwise);

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
    int completions = 0;
    hud_->completionHandler = [&completions] { ++completions; };
    hud_->hideHUD(false);
    EXPECT_EQ(log.names(), std::vector<std::string>{"ProgressHUD.willDisappear"});
    EXPECT_EQ(completions, 0);
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
}

TEST_F(ProgressHUDTest, HideDelayedHidesAtOnceOnlyForTheNumberZero) {
    for (auto [object, animated] : {std::pair{fd::Value(0), false}, std::pair{fd::Value(1), true},
                                    std::pair{fd::Value(), true}}) {
        show("Loading", ProgressHUDMode::indeterminate());
        hud_->hideDelayed(object);
        EXPECT_EQ(hud_->useAnimation(), animated);
        EXPECT_EQ(hud_->superview() == nullptr, !animated);
        advance(0.25);
        EXPECT_EQ(hud_->superview(), nullptr);
    }
}

TEST_F(ProgressHUDTest, AShowWhileVisibleKeepsItsPlaceAndSpinner) {
    NotificationRecorder log(NotificationRecorder::NamePrefix{}, "ProgressHUD.");
    hud_->showStatus("One", ProgressHUDMode::indeterminate());
    fd::MainLoop::drain();
    const auto spinner = hud_->progressIndicator();
    EXPECT_EQ(spinner->fposition, 0);  // the first step lit fin 0
    advance(0.3);
    show("Two", ProgressHUDMode::indeterminate());
    EXPECT_EQ(hud_->progressIndicator(), spinner);
    EXPECT_EQ(std::count(content_->subviews().begin(), content_->subviews().end(), hud_), 1);
    EXPECT_EQ(hud_->statusLabel()->string(), "Two");
    EXPECT_EQ(log.names().size(), 4u);  // two pairs of appear notifications
    hud_->hideHUD(false);
    show("Three", ProgressHUDMode::indeterminate());
    EXPECT_NE(hud_->progressIndicator(), spinner);  // a show from hidden makes a new one
}

TEST_F(ProgressHUDTest, ClicksReachTheHostOnlyWithoutMaskAndHideADismissibleHud) {
    NotificationRecorder log({"ProgressHUD.didReceiveMouseDownEvent"});
    show("Loading", ProgressHUDMode::indeterminate());
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

TEST_F(ProgressHUDTest, AShowDuringTheFadeOutLeavesTheHudShown) {
    show("One", ProgressHUDMode::indeterminate());
    hud_->hideHUD(true);
    advance(0.1);  // half way out
    hud_->showStatus("Two", ProgressHUDMode::indeterminate());
    advance(0.5);  // both fades have ended
    EXPECT_EQ(hud_->superview(), content_.get());
    EXPECT_FALSE(hud_->isHidden());
    EXPECT_DOUBLE_EQ(hud_->alphaValue(), 1.0);
    EXPECT_EQ(hud_->statusLabel()->string(), "Two");
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
}
