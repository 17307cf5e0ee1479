#include "UiTestSupport.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Text.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextMeasurement.h"
#include "tests/support/RecordingContext.h"

namespace platform::ui {
namespace {

using TextTest = testing::UiTest;

// DejaVu Sans: 2048 units per em, ascender 1901, descender 483; advances H 1540, e 1260,
// l 569, o 1253, space 651.
constexpr double kUnits = 2048;

TEST_F(TextTest, SystemFontMeasuresWithTheShippedFontsMetrics) {
    Font font = Font::systemFont(16);
    FontMetrics metrics = metricsOf(font);
    EXPECT_NEAR(metrics.ascent, 1901 / kUnits * 16, 0.1);
    EXPECT_NEAR(metrics.descent, 483 / kUnits * 16, 0.1);
    Size hello = sizeOfText("Hello", font);
    EXPECT_NEAR(hello.width, (1540 + 1260 + 569 + 569 + 1253) / kUnits * 16, 0.25);
    EXPECT_NEAR(hello.height, metrics.lineHeight, 1e-9);
    // Twice the size, twice the width; a line break adds a line and no width.
    EXPECT_NEAR(sizeOfText("Hello", Font::systemFont(32)).width, 2 * hello.width, 0.3);
    Size twoLines = sizeOfText("Hello\nHe", font);
    EXPECT_DOUBLE_EQ(twoLines.width, hello.width);
    EXPECT_DOUBLE_EQ(twoLines.height, 2 * hello.height);
    EXPECT_GT(sizeOfText("Hello", Font::boldSystemFont(16)).width, hello.width);
}

TEST_F(TextTest, BoundingRectWrapsAtTheWidthAndAddsLineSpacing) {
    TextAttributes attributes;
    attributes.font = Font::systemFont(15);
    std::string text = "one two three four five six seven eight nine ten";
    double line = metricsOf(*attributes.font).lineHeight;
    Rect oneLine = boundingRectOfText(text, {100, 1000}, 0, attributes);
    EXPECT_NEAR(oneLine.height(), line, 1e-9);
    EXPECT_GT(oneLine.width(), 100);
    Rect wrapped = boundingRectOfText(text, {100, 3.4028234663852886e38},
                                      UsesLineFragmentOrigin | UsesFontLeading, attributes);
    EXPECT_LE(wrapped.width(), 100);
    int lines = static_cast<int>(std::lround(wrapped.height() / line));
    EXPECT_GE(lines, 4);
    attributes.paragraphStyle = ParagraphStyle{5, TextAlignment::Center};
    Rect spaced = boundingRectOfText(text, {100, 1e9}, UsesLineFragmentOrigin, attributes);
    EXPECT_NEAR(spaced.height(), wrapped.height() + 5 * (lines - 1), 1e-6);
    // A word longer than the width is broken rather than overflowing.
    Rect longWord = boundingRectOfText("abcdefghijklmnopqrstuvwxyz", {40, 1e9},
                                       UsesLineFragmentOrigin, attributes);
    EXPECT_LE(longWord.width(), 40);
}

TEST_F(TextTest, FieldsPreferTheirAttributedStringUntilAPlainOneIsSet) {
    auto field = TextField::label("plain");
    TextAttributes attributes;
    attributes.font = Font::systemFont(18);
    attributes.foregroundColor = Color::rgb(1, 0, 0);
    attributes.paragraphStyle = ParagraphStyle{5, TextAlignment::Center};
    field->setStringValue("");
    field->setAttributedStringValue(AttributedString("rich", attributes));
    EXPECT_EQ(field->stringValue(), "rich");
    EXPECT_EQ(field->displayedString().attributes.font, Font::systemFont(18));
    field->setStringValue("plain again");
    EXPECT_FALSE(field->attributedStringValue().has_value());
    EXPECT_EQ(field->displayedString().attributes.font, field->font());
    field->setFrame({0, 0, 300, 40});
    RecordingContext context;
    field->drawRect(field->bounds(), context);
    ASSERT_EQ(context.operations().size(), 1u);  // a label draws no background
    EXPECT_EQ(context.operations()[0].text, "plain again");
}

TEST_F(TextTest, TextIsPaintedInsideItsView) {
    auto text = View::create<Text>(Rect{0, 0, 120, 30});
    text->setFont(Font::systemFont(20));
    text->setTextColor(Color::blackColor());
    text->setString("MMMM");
    PixelBuffer pixels = renderView(*text);
    int inked = 0;
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x) inked += alphaOf(pixels.pixelFromTop(x, y)) > 128;
    EXPECT_GT(inked, 100);
    // The text starts at the top: the bottom rows stay empty.
    for (int x = 0; x < pixels.width; ++x) EXPECT_EQ(pixels.pixelFromBottom(x, 0), 0u);
    text->sizeToFit();
    EXPECT_EQ(text->frame().size, sizeOfText("MMMM", Font::systemFont(20)));
}

}  // namespace
}  // namespace platform::ui
