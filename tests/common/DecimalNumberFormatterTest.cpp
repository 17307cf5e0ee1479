#include <gtest/gtest.h>

#include "common/DecimalNumberFormatter.h"

namespace {

TEST(DecimalNumberFormatterTest, DepthLabelKeepsOneToTwoSignificantDigits) {
    struct Case {
        float depth;
        const char* text;
    } cases[] = {{0.0f, "0"},       {0.0075f, "0.0075"},   {0.015f, "0.015"},
                 {0.008f, "0.008"}, {0.0123456f, "0.012"}, {0.00735f, "0.0074"}};
    for (const auto& c : cases) {
        EXPECT_EQ(common::formatDepthValue(c.depth, "en_US"), std::optional<std::string>(c.text))
            << c.depth;
    }
}

TEST(DecimalNumberFormatterTest, LabelsReadBackStrictlyAndCommaTextsKeepTheFullDepth) {
    auto text = common::formatDepthValue(0.0123456f, "de_DE");
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "0,012");
    // The comma text does not read back as a number: the depth keeps its unrounded value
    // rather than being cut to 0 at the comma.
    EXPECT_EQ(common::depthValueFromLabel(*text, 0.0123456f), 0.0123456f);
    EXPECT_EQ(common::depthValueFromLabel("0.012", 0.0123456f), 0.012f);
    for (const char* bad : {"", "0.01x", " 0.01", "nan"}) {
        EXPECT_EQ(common::depthValueFromLabel(bad, 0.5f), 0.5f) << bad;
    }
    for (float v : {0.00015f, 0.0075f, 0.0123456f}) {
        EXPECT_EQ(std::stof(common::shortestFloatText(v)), v);
    }
}

}  // namespace
