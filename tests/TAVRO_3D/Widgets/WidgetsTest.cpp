// The small widgets: hex colours, the integer formatter, the auto-fitting label measured
// with the real fonts, the hover button's pictures and tracking area, the flipped view.

#include <cmath>

#include "TAVRO_3D/Widgets/ColorFromHex.h"
#include "TAVRO_3D/Widgets/OnlyIntegerValueFormatter.h"
#include "TAVRO_3D/Widgets/TavroAutoFittingTextFieldLabel.h"
#include "TAVRO_3D/Widgets/TavroCustomButton.h"
#include "TAVRO_3D/Widgets/TopAlignedView.h"
#include "WidgetTestSupport.h"
#include "platform/ui/TextMeasurement.h"

using namespace widget_testing;
using platform::ui::Color;

namespace {

void expectColor(const std::optional<Color>& color, int r, int g, int b, double alpha,
                 const std::string& what) {
    ASSERT_TRUE(color) << what;
    EXPECT_DOUBLE_EQ(color->red, r / 255.0) << what;
    EXPECT_DOUBLE_EQ(color->green, g / 255.0) << what;
    EXPECT_DOUBLE_EQ(color->blue, b / 255.0) << what;
    EXPECT_DOUBLE_EQ(color->alpha, alpha) << what;
}

}  // namespace

TEST(HexColor, DigitsAreKeptWhereverTheyStandAndCaseDoesNotMatter) {
    for (const char* text : {"#068EFF", "068EFF", "068eff", " #06 8E FF ", "#068EFF;"}) {
        expectColor(initWithHexString(text), 0x06, 0x8E, 0xFF, 1.0, text);
    }
    expectColor(initWithHexString("#068EFF", 0.25), 0x06, 0x8E, 0xFF, 0.25, "given alpha");
    // "0x" keeps its zero: seven digits are no colour.
    EXPECT_FALSE(initWithHexString("0x068EFF"));
}

TEST(HexColor, EightDigitsCarryAlphaUnlessAnAlphaIsGiven) {
    expectColor(initWithHexString("#11223380"), 0x11, 0x22, 0x33, 0x80 / 255.0, "eight digits");
    expectColor(initWithHexString("#112233FF", 0.5), 0x11, 0x22, 0x33, 0.5, "alpha ignores last");
    expectColor(initWithHexString("#11223300", 0.5), 0x11, 0x22, 0x33, 0.5, "alpha ignores last");
}

TEST(HexColor, OtherCountsOfDigitsGiveNoColour) {
    for (const char* text : {"", "#", "#12345", "#1234567", "#123456789", "GHIJKL", "#FFF"}) {
        EXPECT_FALSE(initWithHexString(text)) << text;
        EXPECT_FALSE(initWithHexString(text, 1.0)) << text;
    }
}

TEST(OnlyIntegerFormatter, AcceptsOnlyDigitsAndAnnouncesEveryCheck) {
    NotificationRecorder log({"TextFieldChangeValue_Formatter_NSNotificationName"});
    OnlyIntegerValueFormatter formatter;
    std::string proposal = "untouched";
    std::string error = "untouched";
    for (const char* ok : {"", "0", "0123", "9876543210"}) {
        EXPECT_TRUE(formatter.isPartialStringValid(ok, &proposal, &error)) << ok;
    }
    for (const char* bad : {"-1", "1.5", "1 2", "١", "１", "a"}) {
        EXPECT_FALSE(formatter.isPartialStringValid(bad, &proposal, &error)) << bad;
    }
    EXPECT_EQ(proposal, "untouched");
    EXPECT_EQ(error, "untouched");
    EXPECT_EQ(log.names().size(), 10u);
    for (const auto& object : log.objects()) EXPECT_EQ(object, fd::Value(1));
}

class AutoFittingLabelTest : public WidgetTest {
  protected:
    std::shared_ptr<TavroAutoFittingTextFieldLabel> label(double width, double height,
                                                          double fontSize) {
        auto made = std::make_shared<TavroAutoFittingTextFieldLabel>(ui::Rect{0, 0, width, height});
        made->setStringValue(text_);
        made->setFont(ui::Font::systemFont(fontSize, ui::FontWeight::Bold));
        return made;
    }
    const std::string text_ = "Take off the glasses, lay them flat and keep them still";
};

TEST_F(AutoFittingLabelTest, ATextThatFitsStillGetsTheSystemFontOnePointSmaller) {
    auto fits = label(2000, 200, 20);
    fits->awakeFromDescription();
    EXPECT_EQ(fits->font(), ui::Font::systemFont(19));
}

TEST_F(AutoFittingLabelTest, ShrinksUntilTheMeasuredTextFitsTheHeight) {
    auto narrow = label(250, 40, 20);
    narrow->fitFont();
    const double size = narrow->font().pointSize + 1;  // the last size measured
    const double width = 250 - 50;
    EXPECT_LT(size, 20);
    EXPECT_LE(
        TavroAutoFittingTextFieldLabel::heightOfText(text_, ui::Font::systemFont(size), width, 0),
        40);
    EXPECT_GT(TavroAutoFittingTextFieldLabel::heightOfText(text_, ui::Font::systemFont(size + 1),
                                                           width, 0),
              40);
    EXPECT_EQ(narrow->font().family, ui::Font::systemFamily());
    EXPECT_EQ(narrow->font().weight, ui::FontWeight::Regular);
}

TEST_F(AutoFittingLabelTest, ALabelTooNarrowForAnyTextStopsAtTheFloor) {
    for (double width : {50.0, 10.0}) {
        auto hopeless = label(width, 5, 30);
        hopeless->fitFont();
        EXPECT_EQ(hopeless->font().pointSize, TavroAutoFittingTextFieldLabel::kMinimumFontSize);
    }
}

TEST_F(AutoFittingLabelTest, BecomingFirstResponderIsAnnouncedWithTheLabel) {
    NotificationRecorder log({"notificationName_TextFieldBecomeFirstResponder"});
    auto field = label(200, 30, 13);
    content_->addSubview(field);
    EXPECT_TRUE(window_->makeFirstResponder(field.get()));
    ASSERT_EQ(log.names().size(), 1u);
    EXPECT_EQ(log.objects()[0].objectAs<ui::View>(), field);
}

TEST_F(WidgetTest, HoverButtonLightsOnlyWhileEnabledAndRestsWhenTheMouseLeaves) {
    auto button = std::make_shared<TavroCustomButton>(ui::Rect{10, 10, 160, 40});
    content_->addSubview(button);
    const ui::Event move = ui::Event::mouse(ui::EventType::MouseMoved, {20, 20}, window_);

    button->mouseEntered(move);
    ASSERT_TRUE(button->image());
    EXPECT_EQ(button->image()->name(), "jiaozhengpingmuHover");
    button->mouseExited(move);
    EXPECT_EQ(button->image()->name(), "jiaozhengpingmu");
    ASSERT_TRUE(button->alternateImage());
    EXPECT_EQ(button->alternateImage()->name(), "jiaozhengpingmuClick");

    button->setEnabled(false);
    button->mouseEntered(move);
    EXPECT_EQ(button->image()->name(), "jiaozhengpingmu");
    button->setImage(nullptr);
    button->mouseExited(move);
    EXPECT_EQ(button->image()->name(), "jiaozhengpingmu");
}

TEST_F(WidgetTest, HoverTrackingAreaIsOneAreaOverTheBoundsOwnedByTheButton) {
    auto button = std::make_shared<TavroCustomButton>(ui::Rect{10, 10, 160, 40});
    button->updateTrackingAreas();
    button->setFrameSize({200, 50});
    button->updateTrackingAreas();
    ASSERT_EQ(button->trackingAreas().size(), 1u);
    const auto& area = button->trackingAreas().front();
    EXPECT_EQ(area->rect(), (ui::Rect{0, 0, 200, 50}));
    EXPECT_EQ(area->options(), 0x347u);
    EXPECT_EQ(area->owner(), button);
    EXPECT_TRUE(area->userInfo().isNull());
}

TEST(TopAligned, LaysSubviewsOutFromTheTop) {
    TopAlignedView view({0, 0, 100, 100});
    EXPECT_TRUE(view.isFlipped());
}
