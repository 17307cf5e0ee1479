// The progress HUD: its layout for each mode and position (exact frames), what it draws
// (mask, box path, ring, icons), the notifications of a show and a hide, clicks by mask
// type, and the spinner's life across shows.

#include <cmath>
#include <numbers>

#include "TAVRO_3D/ProgressHUD/ProgressHUD.h"
#include "TAVRO_3D/ProgressHUD/ProgressIndicatorLayer.h"
#include "WidgetTestSupport.h"
#include "platform/ui/RecordingContext.h"
#include "platform/ui/TextMeasurement.h"

using namespace widget_testing;
using ui::DrawOperation;
using ui::PathElement;
using ui::Rect;

namespace {

constexpr double kPi = std::numbers::pi;

std::vector<PathElement> arcsOf(const ui::Path& path) {
    std::vector<PathElement> arcs;
    for (const auto& element : path.elements()) {
        if (element.kind == PathElement::Kind::Arc) arcs.push_back(element);
    }
    return arcs;
}

}  // namespace

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
    ui::Size textSize(const std::string& text) const {
        return ui::sizeOfText(text, ui::Font::systemFont(15));
    }
    std::vector<DrawOperation> drawing() {
        ui::RecordingContext context;
        hud_->drawRect(hud_->bounds(), context);
        return context.operations();
    }
    std::shared_ptr<ProgressHUD> hud_;
};

TEST_F(ProgressHUDTest, SpinnerWithoutTextSitsCentredInABoxOfMarginsAndOnePadding) {
    show("", ProgressHUDMode::indeterminate());
    EXPECT_EQ(hud_->frame(), (Rect{0, 0, 420, 620}));
    EXPECT_EQ(hud_->size(), (ui::Size{76, 80}));  // 40 + 4 high, 18 around
    EXPECT_EQ(hud_->boxRect(), (Rect{172, 270, 76, 80}));
    EXPECT_EQ(hud_->indicator()->frame(), (Rect{190, 292, 40, 40}));
    EXPECT_EQ(hud_->statusLabel()->frame(), (Rect{210, 284, 0, 0}));
}

TEST_F(ProgressHUDTest, SpinnerAboveTextPlacedForEachPosition) {
    const std::string status = "Loading";
    const ui::Size text = textSize(status);
    const double bh = 40 + 4 + text.height + 4 + 36;
    const double lw = text.width + 10;
    for (auto [position, offset] :
         {std::pair{ProgressHUDPosition::center, 0.0}, std::pair{ProgressHUDPosition::top, -124.0},
          std::pair{ProgressHUDPosition::bottom, 124.0}}) {
        hud_->position = position;
        show(status, ProgressHUDMode::indeterminate());
        const double y0 = std::round((620 - bh) / 2) - offset;
        EXPECT_EQ(hud_->size(), (ui::Size{36 + std::max(40.0, lw), bh}));
        EXPECT_EQ(hud_->boxRect().origin.y, y0);
        EXPECT_EQ(hud_->indicator()->frame(), (Rect{190, 18 + y0 + 4 + text.height + 4, 40, 40}));
        EXPECT_EQ(hud_->statusLabel()->frame(),
                  (Rect{std::round((420 - lw) / 2), 18 + y0 - 4, lw, text.height}));
    }
}

TEST_F(ProgressHUDTest, TextModeIsTheLabelWithMarginsAndCapsItsWidth) {
    const std::string status = "Defaults restored";
    const ui::Size text = textSize(status);
    show(status, ProgressHUDMode::text());
    EXPECT_FALSE(hud_->indicator());
    EXPECT_EQ(hud_->size(), (ui::Size{text.width + 10 + 36, text.height + 36}));
    EXPECT_EQ(hud_->statusLabel()->frame().origin.y, 18 + std::round((620 - text.height - 36) / 2));

    const std::string longStatus(120, 'W');
    show(longStatus, ProgressHUDMode::text());
    EXPECT_EQ(hud_->statusLabel()->frame().size.width, 420 - 72);
    EXPECT_EQ(hud_->size().width, 420 - 72 + 36);
}

TEST_F(ProgressHUDTest, IconModesReserveAnIconHighAreaAndABoxAtLeastAsWide) {
    for (auto mode : {ProgressHUDMode::determinate(), ProgressHUDMode::info(),
                      ProgressHUDMode::success(), ProgressHUDMode::error()}) {
        show("", mode);
        EXPECT_FALSE(hud_->indicator());
        EXPECT_EQ(hud_->size(), (ui::Size{76, 80}));
    }
    const ui::Size text = textSize("Uploading");
    show("Uploading", ProgressHUDMode::success());
    EXPECT_EQ(hud_->size(),
              (ui::Size{36 + std::max(40.0, text.width + 10), 40 + 4 + text.height + 4 + 36}));
}

TEST_F(ProgressHUDTest, FreshHudDrawsAWhiteRoundedBoxWithoutMask) {
    show("Loading", ProgressHUDMode::indeterminate());
    const auto ops = drawing();
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].kind, DrawOperation::Kind::Fill);
    EXPECT_EQ(ops[0].state.fillColor, ui::Color::whiteColor().withAlpha(0.9));
    const Rect box = hud_->boxRect();
    const auto& elements = ops[0].path.elements();
    EXPECT_EQ(elements.front().point, (ui::Point{box.minX() + 10, box.minY()}));
    EXPECT_EQ(elements.back().kind, PathElement::Kind::Close);
    const auto arcs = arcsOf(ops[0].path);
    ASSERT_EQ(arcs.size(), 4u);
    const ui::Point centres[] = {{box.maxX() - 10, box.minY() + 10},
                                 {box.maxX() - 10, box.maxY() - 10},
                                 {box.minX() + 10, box.maxY() - 10},
                                 {box.minX() + 10, box.minY() + 10}};
    const double starts[] = {3 * kPi / 2, 0, kPi / 2, kPi};
    const double ends[] = {0, kPi / 2, kPi, 3 * kPi / 2};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(arcs[i].center, centres[i]);
        EXPECT_EQ(arcs[i].radius, 10);
        EXPECT_DOUBLE_EQ(arcs[i].startAngle, starts[i]);
        EXPECT_DOUBLE_EQ(arcs[i].endAngle, ends[i]);
        EXPECT_FALSE(arcs[i].clockwise);
    }
    // Black content on the light style.
    EXPECT_EQ(hud_->statusLabel()->textColor(), ui::Color::blackColor());
    EXPECT_EQ(hud_->progressIndicator()->color(), ui::Color::blackColor());
}

TEST_F(ProgressHUDTest, MasksDimTheDirtyRectangle) {
    hud_->maskType = ProgressHUDMaskType::black();
    show("Loading", ProgressHUDMode::text());
    auto ops = drawing();
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].kind, DrawOperation::Kind::FillRect);
    EXPECT_EQ(ops[0].rect, (Rect{0, 0, 420, 620}));
    EXPECT_EQ(ops[0].state.fillColor, ui::Color::blackColor().withAlpha(0.6));
    hud_->maskType = ProgressHUDMaskType::custom(ui::Color::rgb(1, 0, 0, 0.3));
    ops = drawing();
    EXPECT_EQ(ops[0].state.fillColor, ui::Color::rgb(1, 0, 0, 0.3));
    hud_->maskType = ProgressHUDMaskType::clear();
    EXPECT_EQ(drawing().size(), 1u);
}

TEST_F(ProgressHUDTest, DeterminateRingRunsClockwiseFromTheTopWithAStartMark) {
    hud_->style = ProgressHUDStyle::dark();
    show("Updating", ProgressHUDMode::determinate());
    hud_->progress = 0.25;
    const auto ops = drawing();
    ASSERT_EQ(ops.size(), 3u);
    const Rect box = hud_->boxRect();
    const ui::Point centre{box.midX(), box.maxY() - 36};
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(ops[i].kind, DrawOperation::Kind::Stroke);
        EXPECT_EQ(ops[i].state.lineWidth, 4);
        EXPECT_EQ(ops[i].state.lineCap, ui::LineCap::Round);
        EXPECT_EQ(ops[i].state.strokeColor, ui::Color::withWhite(0.95, 1));
        const auto arcs = arcsOf(ops[i].path);
        ASSERT_EQ(arcs.size(), 1u);
        EXPECT_EQ(arcs[0].center, centre);
        EXPECT_EQ(arcs[0].radius, 20);
        EXPECT_DOUBLE_EQ(arcs[0].startAngle, kPi / 2);
        EXPECT_TRUE(arcs[0].clockwise);
    }
    EXPECT_NEAR(arcsOf(ops[1].path)[0].endAngle, 0, 1e-12);  // a quarter
    EXPECT_NEAR(arcsOf(ops[2].path)[0].endAngle, 83.7168146928204 * kPi / 180, 1e-12);
    EXPECT_EQ(ops[0].state.fillColor, ui::Color::blackColor().withAlpha(0.9));
}

TEST_F(ProgressHUDTest, IconsAreDrawnIntoTheIconRectangle) {
    hud_->style = ProgressHUDStyle::custom(ui::Color::whiteColor(), ui::Color::grayColor());
    Rect icon;
    auto showIcon = [&](const std::string& status, const ProgressHUDMode& mode) {
        show(status, mode);
        const Rect box = hud_->boxRect();
        icon = Rect{box.midX() - 20, box.maxY() - 36 - 20, 40, 40};
    };
    showIcon("Done", ProgressHUDMode::success());
    auto ops = drawing();
    ASSERT_EQ(ops.size(), 2u);
    auto tick = ops[1].path.elements();
    ASSERT_EQ(tick.size(), 3u);
    EXPECT_NEAR(tick[0].point.x, icon.minX() + 0.05833 * 40, 1e-9);
    EXPECT_NEAR(tick[1].point.y, icon.minY() + 0.19167 * 40, 1e-9);
    EXPECT_NEAR(tick[2].point.x, icon.minX() + 0.93333 * 40, 1e-9);
    EXPECT_EQ(ops[1].state.lineCap, ui::LineCap::Round);
    EXPECT_EQ(ops[1].state.strokeColor, ui::Color::whiteColor());

    showIcon("Failed", ProgressHUDMode::error());
    ops = drawing();
    ASSERT_EQ(ops.size(), 3u);
    EXPECT_EQ(ops[1].path.elements()[0].point, (ui::Point{icon.minX() + 8, icon.maxY() - 52}));
    EXPECT_EQ(ops[1].path.elements()[1].point, (ui::Point{icon.minX() + 52, icon.maxY() - 8}));
    EXPECT_EQ(ops[2].path.elements()[0].point, (ui::Point{icon.minX() + 52, icon.maxY() - 52}));
    EXPECT_EQ(ops[2].state.lineCap, ui::LineCap::Butt);

    showIcon("Note", ProgressHUDMode::info());
    ops = drawing();
    ASSERT_EQ(ops.size(), 4u);  // box, circle, dot, stem
    EXPECT_EQ(ops[1].kind, DrawOperation::Kind::Stroke);
    EXPECT_EQ(ops[1].state.lineWidth, 2);
    EXPECT_EQ(ops[1].path.elements()[0].rect, (Rect{icon.minX() - 9, icon.minY() - 9, 58, 58}));
    EXPECT_EQ(ops[2].kind, DrawOperation::Kind::Fill);
    EXPECT_EQ(ops[2].path.elements()[0].point,
              (ui::Point{icon.minX() + 30.31, icon.maxY() - 10.28}));
    EXPECT_EQ(ops[3].path.elements()[0].point,
              (ui::Point{icon.minX() + 32.33, icon.maxY() - 21.98}));
}

TEST_F(ProgressHUDTest, ShowAndHidePostTheirFourNotificationsInOrder) {
    NotificationRecorder log(NotificationRecorder::NamePrefix{}, "ProgressHUD.");
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

TEST_F(ProgressHUDTest, HidingAHudNeverShownStopsBeforeTheCleanUp) {
    NotificationRecorder log(NotificationRecorder::NamePrefix{}, "ProgressHUD.");
    int completions = 0;
    hud_->completionHandler = [&completions] { ++completions; };
    hud_->hideHUD(false);
    EXPECT_EQ(log.names(), std::vector<std::string>{"ProgressHUD.willDisappear"});
    EXPECT_EQ(hud_->alphaValue(), 0);
    EXPECT_EQ(completions, 0);
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

TEST_F(ProgressHUDTest, ClicksReachTheHostOnlyWithoutMask) {
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
}

TEST_F(ProgressHUDTest, ADismissibleHudHidesOnAClick) {
    hud_->dismissible = true;
    show("Loading", ProgressHUDMode::indeterminate());
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

TEST(KeyWindowWithHudTest, TheHudsOwnWindowLeavesKeyStatusWithTheMainWindow) {
    ui::Application::shared().reset();
    auto main = ui::Window::make({0, 0, 420, 620}, ui::WindowStyleTitled);
    main->makeKeyAndOrderFront();
    auto hud = ProgressHUD::initWithFrame({});
    hud->showStatus("Loading", ProgressHUDMode::indeterminate());
    EXPECT_TRUE(hud->windowController()->window()->isVisible());
    EXPECT_TRUE(main->isKeyWindow());
    hud->hideHUD(false);
    ui::Application::shared().reset();
}
