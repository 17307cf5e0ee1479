#include <gtest/gtest.h>

#include "common/DecimalNumberFormatter.h"

namespace {

TEST(DecimalNumberFormatterTest, DepthLabelKeepsOneToTwoSignificantDigits) {
    struct Case {
        float depth;
        const char* text;
    } cases[] = {{0.0f, "0"},          {0.0075f, "0.0075"}, {0.015f, "0.015"},
                 {0.01f, "0.01"},      {0.008f, "0.008"},   {0.0123456f, "0.012"},
                 {0.00735f, "0.0074"}, {0.0001f, "0.0001"}};
    for (const auto& c : cases) {
        EXPECT_EQ(common::formatDepthValue(c.depth, "en_US"), std::optional<std::string>(c.text))
            << c.depth;
    }
}

TEST(DecimalNumberFormatterTest, DecimalCommaLocaleKeepsTheFullDepth) {
    auto text = common::formatDepthValue(0.0123456f, "de_DE");
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "0,012");
    // The comma text does not read back as a number: the depth keeps its unrounded value
    // rather than being cut to 0 at the comma.
    EXPECT_EQ(common::depthValueFromLabel(*text, 0.0123456f), 0.0123456f);
    EXPECT_EQ(common::depthValueFromLabel("0.012", 0.0123456f), 0.012f);
}

TEST(DecimalNumberFormatterTest, LabelReadBackIsStrict) {
    EXPECT_EQ(common::depthValueFromLabel("", 0.5f), 0.5f);
    EXPECT_EQ(common::depthValueFromLabel("0.01x", 0.5f), 0.5f);
    EXPECT_EQ(common::depthValueFromLabel(" 0.01", 0.5f), 0.5f);
    EXPECT_EQ(common::depthValueFromLabel("nan", 0.5f), 0.5f);
    EXPECT_EQ(common::depthValueFromLabel("0", 0.5f), 0.0f);
}

TEST(DecimalNumberFormatterTest, BadStylesAndValuesGiveNoText) {
    EXPECT_FALSE(common::formatDecimalNumber(1.0 / 0.0, {}, "en_US"));
    EXPECT_FALSE(common::formatDecimalNumber(1.0, {0, 2}, "en_US"));
    EXPECT_FALSE(common::formatDecimalNumber(1.0, {3, 2}, "en_US"));
    EXPECT_EQ(common::formatDecimalNumber(1234.5, {1, 6}, "en_US"),
              std::optional<std::string>("1,234.5"));
}

TEST(DecimalNumberFormatterTest, ShortestFloatTextReadsBackTheSameFloat) {
    EXPECT_EQ(common::shortestFloatText(0.01f), "0.01");
    EXPECT_EQ(common::shortestFloatText(0.0001f), "0.0001");
    EXPECT_EQ(common::shortestFloatText(0.0f), "0");
    for (float v : {0.00015f, 0.0075f, 0.0123456f, 0.015f}) {
        EXPECT_EQ(std::stof(common::shortestFloatText(v)), v);
    }
}

}  // namespace
