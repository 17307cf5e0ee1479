// The small widgets: hex colours, the integer formatter, the auto-fitting label measured
// with the real fonts, the hover button's pictures and tracking area.

#include "WidgetTestSupport.h"
#include "platform/ui/TextMeasurement.h"
#include "widgets/ColorFromHex.h"
#include "widgets/OnlyIntegerValueFormatter.h"
#include "widgets/TavroAutoFittingTextFieldLabel.h"
#include "widgets/TavroCustomButton.h"

using namespace widget_testing;
using platform::ui::Color;

TEST(HexColor, DigitsAreKeptWhereverTheyStandAndOnlySixOrEightMakeAColour) {
    const Color blue = Color::rgb(0x06 / 255.0, 0x8E / 255.0, 0xFF / 255.0);
    for (const char* text : {"#068EFF", "068EFF", "068eff", " #06 8E FF ", "#068EFF;"})
        EXPECT_EQ(initWithHexString(text), blue) << text;
    EXPECT_EQ(initWithHexString("#068EFF", 0.25), blue.withAlpha(0.25));
    // Eight digits carry alpha, unless an alpha is given.
    const Color dark = Color::rgb(0x11 / 255.0, 0x22 / 255.0, 0x33 / 255.0);
    EXPECT_EQ(initWithHexString("#11223380"), dark.withAlpha(0x80 / 255.0));
    EXPECT_EQ(initWithHexString("#11223300", 0.5), dark.withAlpha(0.5));
    // "0x" keeps its zero: seven digits are no colour.
    for (const char* text : {"0x068EFF", "", "#", "#12345", "#123456789", "GHIJKL", "#FFF"}) {
        EXPECT_FALSE(initWithHexString(text)) << text;
        EXPECT_FALSE(initWithHexString(text, 1.0)) << text;
    }
}

TEST(OnlyIntegerFormatter, AcceptsOnlyDigitsAndAnnouncesEveryCheck) {
    NotificationRecorder log({"TextFieldChangeValue_Formatter_NSNotificationName"});
    OnlyIntegerValueFormatter formatter;
    std::string proposal = "untouched", error = "untouched";
    for (const char* ok : {"", "0", "0123", "9876543210"})
        EXPECT_TRUE(formatter.isPartialStringValid(ok, &proposal, &error)) << ok;
    for (const char* bad : {"-1", "1.5", "1 2", "١", "１", "a"})
        EXPECT_FALSE(formatter.isPartialStringValid(bad, &proposal, &error)) << bad;
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

TEST_F(AutoFittingLabelTest, ShrinksTheSystemFontUntilTheMeasuredTextFitsDownToAFloor) {
    auto fits = label(2000, 200, 20);
    fits->awakeFromDescription();
    EXPECT_EQ(fits->font(), ui::Font::systemFont(19));  // one point smaller, even so
    auto narrow = label(250, 40, 20);
    narrow->fitFont();
    const double size = narrow->font().pointSize + 1;  // the last size measured
    EXPECT_LT(size, 20);
    auto height = [&](double points) {
        return TavroAutoFittingTextFieldLabel::heightOfText(text_, ui::Font::systemFont(points),
                                                            250 - 50, 0);
    };
    EXPECT_LE(height(size), 40);
    EXPECT_GT(height(size + 1), 40);
    EXPECT_EQ(narrow->font().weight, ui::FontWeight::Regular);
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

TEST_F(WidgetTest, HoverButtonLightsOnlyWhileEnabledOverOneTrackingArea) {
    auto button = std::make_shared<TavroCustomButton>(ui::Rect{10, 10, 160, 40});
    content_->addSubview(button);
    const ui::Event move = ui::Event::mouse(ui::EventType::MouseMoved, {20, 20}, window_);
    auto shown = [&] { return button->image() ? button->image()->name() : std::string(); };
    button->mouseEntered(move);
    EXPECT_EQ(shown(), "jiaozhengpingmuHover");
    button->mouseExited(move);
    EXPECT_EQ(shown(), "jiaozhengpingmu");
    button->setEnabled(false);
    button->mouseEntered(move);
    EXPECT_EQ(shown(), "jiaozhengpingmu");
    button->setImage(nullptr);
    button->mouseExited(move);
    EXPECT_EQ(shown(), "jiaozhengpingmu");
    button->updateTrackingAreas();
    button->setFrameSize({200, 50});
    button->updateTrackingAreas();
    ASSERT_EQ(button->trackingAreas().size(), 1u);
    EXPECT_EQ(button->trackingAreas().front()->rect(), (ui::Rect{0, 0, 200, 50}));
}
