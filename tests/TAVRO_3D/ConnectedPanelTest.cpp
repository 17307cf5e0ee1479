// The connected panel and the connected popover: their state at load, the depth bars'
// numbers worked out by hand, the screen mode, the privacy toggle, the messages that keep
// the two in step, the firmware label and the help picture. How they look is the panel
// pictures' test; the marks and toggles are too small for its tolerance and are read here.
#include "PanelFixture.h"
#include "TAVRO_3D/TavroGlassConnectSuccessPopoverViewController.h"
#include "TAVRO_3D/TavroGlassConnectSuccessViewController.h"
#include "common/GlobalHelpers.h"
#include "platform/ui/Popover.h"
#include "stereo3d/TavroDepth3DViewController.h"
#include "stereo3d/TavroDepthCustomManager.h"

namespace {

using namespace panel_fixture;
using Panel = TavroGlassConnectSuccessViewController;
using Popover = TavroGlassConnectSuccessPopoverViewController;
using Marks = std::vector<bool>;

// The mode button with `tag` among the subviews of `box`.
std::shared_ptr<ui::Button> modeButton(const ui::View& box, int tag) {
    for (const auto& view : box.subviews()) {
        auto button = std::dynamic_pointer_cast<ui::Button>(view);
        if (button && button->tag() == tag && button->hasAction()) return button;
    }
    return nullptr;
}

std::string imageName(const ui::Button& button) {
    return button.image() ? button.image()->name() : "";
}

AppDelegate& delegate() {
    return AppDelegate::shared();
}

class ConnectedPanelTest : public PanelFixture {
  protected:
    void load() {
        show(panel_);
        popoverWindow_ = ui::Window::make({600, 100, 260, 330}, ui::WindowStyleTitled);
        popoverWindow_->setContentViewController(popover_);
        popoverWindow_->orderFront();
        ASSERT_FALSE(popover_->loadError()) << popover_->loadError()->localizedDescription;
    }
    double panelKnob() const {
        return panel_->depthPointImgViewLeftLayoutConstraint.lock()->constant();
    }
    double popoverKnob() const {
        return popover_->depthPointImgViewLeftLayoutConstraint.lock()->constant();
    }
    std::string depthLabel() const { return panel_->depthValueLabel.lock()->stringValue(); }
    static float storedDepth() {
        return fdn::UserDefaults::standard().floatForKey("depthScaleValue_UserDefault");
    }
    void clickMode(const std::shared_ptr<ui::View>& box, int tag) {
        modeButton(*box, tag)->performClick();
    }
    // Whether the web, game and video marks show.
    template <class Controller>
    static Marks marks(const Controller& c) {
        auto shown = [](const auto& mark) { return !mark.lock()->isHidden(); };
        return {shown(c.webModelSelectedImageView), shown(c.gameModelSelectedImageView),
                shown(c.videoModelSelectedImageView)};
    }

    std::shared_ptr<Panel> panel_ = std::make_shared<Panel>();
    std::shared_ptr<Popover> popover_ = std::make_shared<Popover>();
    ui::WindowPtr popoverWindow_;
};

TEST_F(ConnectedPanelTest, LoadsWithTheDelegatesSettings) {
    delegate().modelType = 2;
    delegate().privacyScreenLockButtonState = 1;
    delegate().depthValue = 0.0075f;
    load();
    EXPECT_EQ(marks(*panel_), (Marks{false, false, true}));
    EXPECT_EQ(marks(*popover_), (Marks{false, false, true}));
    auto toggle = panel_->privacyScreenLockButton.lock();
    EXPECT_EQ(toggle->state(), 1);
    EXPECT_EQ(imageName(*toggle), "Toggle_on");
    EXPECT_EQ(imageName(*popover_->privacyScreenLockButton.lock()), "Toggle_on");
    EXPECT_EQ(depthLabel(), "0.0075");
    EXPECT_NEAR(panelKnob(), 116.0, 1e-3);  // 262 / 100 * (0.0075 / 0.00015) - 30 / 2
    EXPECT_TRUE(panel_->modeHelpTipsImgView.lock()->isHidden());
}

TEST_F(ConnectedPanelTest, ClicksAndPansOnThePanelsBarSetDepthLabelKnobAndTellThePopover) {
    load();
    auto bar = panel_->depthView.lock();
    // The bar is 262 wide, the knob 30; half the visible knob is (30 - 14) / 2 = 8 points.
    struct Case {
        double x;
        float depth;
        const char* label;
        double knob;
        double popoverKnob;  // at x * 142 / 262, with the popover's margin of 16
    };
    const Case cases[] = {
        {8, 0.0f, "0", -7, -8},                 // at the half knob: snaps to 0
        {100, 0.0057f, "0.0057", 85, 39.1985},  // 100 / 2.62 * 0.00015 = 0.0057251..., two digits
        {255, 0.015f, "0.015", 239, 120},       // within the half knob of the right end
    };
    NotificationRecorder toPopover({"changeValue_NSNotification.NameSmall"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        clickAt(*bar, c.x);
        EXPECT_FLOAT_EQ(delegate().depthValue.load(), c.depth);
        EXPECT_FLOAT_EQ(storedDepth(), c.depth);
        EXPECT_EQ(depthLabel(), c.label);
        EXPECT_DOUBLE_EQ(panelKnob(), c.knob);
        const fdn::Value message = toPopover.objects().back();
        EXPECT_FALSE(message["type"].isInteger());  // sent as the number 1.0
        EXPECT_EQ(message["type"].asDouble(), 1.0);
        EXPECT_DOUBLE_EQ(message["value"].asDouble(), c.x);
        EXPECT_NEAR(popoverKnob(), c.popoverKnob, 1e-4);
    }
    EXPECT_EQ(toPopover.objects().size(), std::size(cases));
    // A pan changes the depth from its first movement on, not where it begins.
    const double y = bar->bounds().size.height / 2;
    send(ui::EventType::LeftMouseDown, inWindow(*bar, {40, y}));
    send(ui::EventType::LeftMouseDragged, inWindow(*bar, {50, y}));
    EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.015f);
    EXPECT_EQ(depthLabel(), "0.015");
    send(ui::EventType::LeftMouseUp, inWindow(*bar, {100, y}));
    EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.0057f);
    EXPECT_DOUBLE_EQ(panelKnob(), 85);
    // With a decimal comma the text does not read back: the depth keeps all its digits.
    setLocale("de_DE");
    clickAt(*bar, 100);
    EXPECT_EQ(depthLabel(), "0,0057");
    EXPECT_NEAR(delegate().depthValue.load(), 0.0057251908f, 1e-9);
    EXPECT_NEAR(storedDepth(), 0.0057251908f, 1e-9);
}

TEST_F(ConnectedPanelTest, ModeChangeOnThePanelSetsItsDefaultDepthStoresBothAndSendsTwoMessages) {
    load();
    NotificationRecorder toPopover({"changeValue_NSNotification.NameSmall"});
    auto box = panel_->modeBgView.lock();
    clickMode(box, 1);
    EXPECT_EQ(delegate().modelType.load(), 1);
    EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.01f);
    EXPECT_EQ(fdn::UserDefaults::standard().objectForKey("ScreenModeUserDefaultsKey").asInt64(), 1);
    EXPECT_FLOAT_EQ(storedDepth(), 0.01f);
    EXPECT_EQ(marks(*panel_), (Marks{false, true, false}));
    EXPECT_NEAR(panelKnob(), 159.6667, 1e-3);
    EXPECT_EQ(depthLabel(), "0.01");        // the label stays as it was
    const auto sent = toPopover.objects();  // the mode (type 2), then the knob's place (1.0)
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], fdn::Value(fdn::ValueDictionary{{"type", 2}, {"value", 1}}));
    EXPECT_TRUE(sent[0]["type"].isInteger());
    EXPECT_FALSE(sent[1]["type"].isInteger());
    EXPECT_NEAR(sent[1]["value"].asDouble(), 174.6667, 1e-3);
    // The popover has followed: its marks and its knob at 142 / 262 of the position.
    EXPECT_EQ(marks(*popover_), (Marks{false, true, false}));
    EXPECT_NEAR(popoverKnob(), 79.6667, 1e-3);
    // Video and web have their own defaults; an unknown mode keeps the depth.
    clickMode(box, 2);
    EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.012f);
    clickMode(box, 0);
    EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.008f);
    panel_->changeScreenMode(7);
    EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.008f);
    EXPECT_EQ(marks(*panel_), (Marks{true, false, false}));
}

TEST_F(ConnectedPanelTest, PopoverBarUsesItsOwnKnobMarginAndMovesThePanelsKnobByTheRatio) {
    load();
    auto bar = popover_->depthView.lock();  // 142 wide
    NotificationRecorder toPanel({"changeValue_NSNotification.Name"});
    // (30 - 16) / 2 = 7 < 7.5 <= (30 - 14) / 2 = 8: the knob centres on the position while
    // the depth snaps to 0.
    popover_->moveDepthPoint(7.5);
    popover_->updateDepthFromPosition(7.5);
    EXPECT_DOUBLE_EQ(popoverKnob(), 7.5 - 15);
    EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.0f);
    // A click in the middle: half of 0.015, and the panel's knob centres on 71 * 262 / 142.
    clickAt(*bar, 71);
    EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.0075f);
    EXPECT_FLOAT_EQ(storedDepth(), 0.0075f);
    EXPECT_NEAR(panelKnob(), 131 - 15, 1e-9);
    EXPECT_EQ(depthLabel(), "0.01");  // the panel's label does not follow the popover
    // The far end: the maximum, and the panel's knob at its own end.
    clickAt(*bar, 141.5);
    EXPECT_FLOAT_EQ(delegate().depthValue.load(), 0.015f);
    EXPECT_DOUBLE_EQ(popoverKnob(), 142 - 30 + 8);
    EXPECT_DOUBLE_EQ(panelKnob(), 262 - 30 + 7);
    ASSERT_FALSE(toPanel.objects().empty());
    EXPECT_DOUBLE_EQ(toPanel.objects().back()["value"].asDouble(), 141.5);
}

TEST_F(ConnectedPanelTest, ModeChangeInThePopoverClosesItAndThePanelFollows) {
    load();
    auto popover = ui::Popover::make();
    popover->setContentViewController(popover_);
    popover->showRelativeToRect({0, 0, 10, 10}, *panel_->view(), ui::RectEdge::MaxY);
    ASSERT_TRUE(popover->isShown());
    delegate().firstPopover.set(popover);
    NotificationRecorder toPanel({"changeValue_NSNotification.Name"});
    clickMode(popover_->modeBgView.lock(), 2);
    EXPECT_FALSE(popover->isShown());
    EXPECT_EQ(delegate().modelType.load(), 2);
    EXPECT_FLOAT_EQ(storedDepth(), 0.012f);
    EXPECT_EQ(marks(*panel_), (Marks{false, false, true}));
    EXPECT_NEAR(popoverKnob(), 98.6, 1e-3);  // 142 / 100 * (0.012 / 0.00015) - 15
    EXPECT_NEAR(panelKnob(), 194.6, 1e-3);   // at 262 / 142 of the popover's place
    EXPECT_EQ(toPanel.size(), 2u);
}

TEST_F(ConnectedPanelTest, ModesReachTheRunningAI3DViewFromThePanelAndFromThePopover) {
    auto manager = TavroDepthCustomManager::sharedPointer();
    delegate().depthManager.set(manager);
    load();
    auto view = manager->deopth3DViewController();
    clickMode(panel_->modeBgView.lock(), 1);
    EXPECT_EQ(view->timedMode(), 1);
    // The popover applies no parameters itself; the panel does on its message.
    clickMode(popover_->modeBgView.lock(), 2);
    EXPECT_EQ(view->timedMode(), 2);
    delegate().modelType = 0;
    view->setDepthFilterParameters();
}

TEST_F(ConnectedPanelTest, PrivacyToggleDimsTheBuiltInScreenAndRestoresIt) {
    boot("macbook");
    const float bright = common::builtinBrightness(delegate().builtinDisplayID);
    ASSERT_GT(bright, 0);
    load();
    NotificationRecorder toPopover({"changeValue_NSNotification.NameSmall"});
    auto toggle = panel_->privacyScreenLockButton.lock();
    toggle->performClick();  // a toggle button flips its state first
    EXPECT_EQ(delegate().privacyScreenLockButtonState.load(), 1);
    EXPECT_EQ(imageName(*toggle), "Toggle_on");
    EXPECT_EQ(delegate().defaultBrightness.load(), bright);  // the fade has begun
    EXPECT_EQ(toPopover.objects(),
              std::vector{fdn::Value(fdn::ValueDictionary{{"type", 3}, {"value", 1}})});
    EXPECT_TRUE(toPopover.objects()[0]["type"].isInteger());
    auto popoverToggle = popover_->privacyScreenLockButton.lock();
    EXPECT_EQ(popoverToggle->state(), 1);
    EXPECT_EQ(imageName(*popoverToggle), "Toggle_on");
    // Off from the popover: the saved brightness is written back, and the panel follows.
    popoverToggle->performClick();
    EXPECT_EQ(delegate().privacyScreenLockButtonState.load(), 0);
    EXPECT_EQ(delegate().defaultBrightness.load(), 0.0f);
    EXPECT_EQ(common::builtinBrightness(delegate().builtinDisplayID), bright);
    EXPECT_EQ(toggle->state(), 0);
    EXPECT_EQ(imageName(*toggle), "Toggle_Off");
}

TEST_F(ConnectedPanelTest, MessagesOfAnotherKindOrShapeAreIgnored) {
    load();
    const double before = panelKnob();
    for (const fdn::Value& message :
         {fdn::Value(fdn::ValueDictionary{{"type", fdn::Value(9)}, {"value", fdn::Value(50.0)}}),
          fdn::Value("not a message"), fdn::Value(fdn::ValueDictionary{})})
        fdn::NotificationCenter::defaultCenter().post("changeValue_NSNotification.Name", message);
    EXPECT_EQ(panelKnob(), before);
}

TEST_F(ConnectedPanelTest, ABarWithoutWidthGivesDepthZeroRatherThanNotANumber) {
    load();
    auto bar = panel_->depthView.lock();
    bar->setFrameSize({0, bar->frame().size.height});
    panel_->moveDepthPoint(50);
    panel_->updateDepthFromPosition(50);
    EXPECT_EQ(delegate().depthValue.load(), 0.0f);
    EXPECT_EQ(depthLabel(), "0");
    EXPECT_EQ(panelKnob(), -7);
    NotificationRecorder toPopover({"changeValue_NSNotification.NameSmall"});
    panel_->changeScreenMode(1);  // the knob's place for 0.01 on a bar of no width
    EXPECT_EQ(toPopover.objects().back()["value"].asDouble(), 0.0);
}

TEST_F(ConnectedPanelTest, FirmwareLabelShowsOnlyAWellFormedVersion) {
    load();
    auto label = panel_->firmwareVersionLable.lock();
    const std::pair<const char*, const char*> cases[] = {
        {"TAVRO2_FW_V1.65", "固件版本：V1.65"},
        {"V-1.0", "固件版本：V1.65"},                    // no "_V": unchanged
        {"TAVRO2_FW_V1.65_V2", "固件版本：V1.65"},       // two "_V": unchanged
        {"TAVRO2PRO_FW_V1.53-rc-2", "固件版本：V1.53"},  // up to the first "-"
    };
    for (const auto& [version, shown] : cases) {
        fdn::NotificationCenter::defaultCenter().post("get_tavro_glass_version_NSNotificationName",
                                                      fdn::Value(version));
        EXPECT_EQ(delegate().glassVersion.get(), version);
        EXPECT_EQ(label->stringValue(), shown) << version;
    }
    setLanguage(common::TavroLocalizationHelper::Language::English);
    panel_->updateGlassLabels();
    EXPECT_EQ(label->stringValue(), "Firmware version: V1.53");
}

TEST_F(ConnectedPanelTest, HelpPictureShowsWhileTheMouseIsOverTheIcon) {
    load();
    auto icon = panel_->modeHelpImgView.lock();
    auto tips = panel_->modeHelpTipsImgView.lock();
    const ui::Rect onScreen =
        window_->convertRectToScreen(icon->convertRectToView(icon->bounds(), nullptr));
    auto moveTo = [&](double x, double y, ui::EventType type = ui::EventType::MouseMoved) {
        const ui::Point screenPoint{onScreen.origin.x + x, onScreen.origin.y + y};
        ui::Event::setMouseLocation(screenPoint);
        send(type, window_->convertPointFromScreen(screenPoint));
    };
    moveTo(9, 9);
    EXPECT_FALSE(tips->isHidden());
    moveTo(40, 9);
    EXPECT_TRUE(tips->isHidden());
    moveTo(2, 2, ui::EventType::LeftMouseUp);
    // Out of its window the panel leaves the picture as it is.
    window_->setContentView(std::make_shared<ui::View>(ui::Rect{0, 0, 420, 620}));
    moveTo(-onScreen.origin.x, -onScreen.origin.y);
    EXPECT_FALSE(tips->isHidden());
}

}  // namespace
