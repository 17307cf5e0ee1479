#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "StorageTestSupport.h"
#include "platform/foundation/PropertyList.h"

namespace platform::foundation {
namespace {

Result<Value> parseText(std::string_view text) {
    return parsePropertyList(bytesOf(text));
}

Value parseOk(std::string_view text) {
    return parsedOrFail(parseText(text));
}

std::string plist(std::string_view body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" +
           std::string(body) + "</plist>";
}

TEST(PropertyListTest, EveryKindSurvivesWritingAndReading) {
    ValueDictionary nested{
        {"empty array", Value(ValueArray{})},
        {"empty dict", Value(ValueDictionary{})},
        {"list", Value(ValueArray{Value(1), Value("two"), Value(ValueArray{Value(3.5)})})}};
    ValueDictionary root{{"text", Value("a < b && c > d \"quoted\" 'single'")},
                         {"unicode", Value("显示器 — ü 😀")},
                         {"lines", Value("one\ntwo\r\nthree\r")},
                         {"blank", Value("   ")},
                         {"min", Value(std::numeric_limits<int64_t>::min())},
                         {"max", Value(std::numeric_limits<int64_t>::max())},
                         {"float", Value(0.1f)},
                         {"yes", Value(true)},
                         {"data", Value(Bytes{0, 1, 2, 0xFE, 0xFF, '<', '&'})},
                         {"date", Value(Date{1796576400})},
                         {"nested", Value(nested)},
                         {"<&> key", Value(1)}};
    auto written = serializePropertyList(Value(root));
    ASSERT_TRUE(written);
    const std::string& text = written.value();
    EXPECT_NE(text.find("<string>a &lt; b &amp;&amp; c &gt; d"), std::string::npos);
    EXPECT_NE(text.find("<date>2026-12-06T17:00:00Z</date>"), std::string::npos);
    EXPECT_NE(text.find("<real>0.1</real>"), std::string::npos)
        << "a float keeps its own precision";
    Value back = parseOk(text);
    ASSERT_TRUE(back.isDictionary());
    EXPECT_EQ(back.count(), root.size());
    for (const auto& [key, value] : root) {
        if (key == "float") continue;
        EXPECT_EQ(back[key], value) << key << ": " << back[key].description();
    }
    EXPECT_FLOAT_EQ(back["float"].asFloat(), 0.1f);
    EXPECT_TRUE(back["min"].isInteger());
}

TEST(PropertyListTest, ReadsWhatOtherWritersProduce) {
    Value value = parseOk(plist(R"(
        <!-- a comment between elements -->
        <dict>
            <key>data</key>
            <data>
                AAEC
                /v8=
            </data>
            <key>unpadded</key><data>AAE</data>
            <key>cdata</key><string>a<![CDATA[<b>&]]>c</string>
            <key>entities</key><string>&#x4E2D;&#25991; &quot;&apos;</string>
            <key>hex</key><integer>0x1F</integer>
            <key>signed</key><integer> -42 </integer>
            <key>date</key><date>2024-02-29T23:59:59Z</date>
            <key>fraction</key><date>1970-01-01T00:00:00.5Z</date>
            <key>inf</key><real>+infinity</real>
            <key>nan</key><real>nan</real>
            <key>twice</key><integer>1</integer>
            <key>twice</key><integer>2</integer>
            <key>true</key><true></true>
        </dict>)"));
    EXPECT_EQ(value["data"].data(), (Bytes{0, 1, 2, 0xFE, 0xFF}));
    EXPECT_EQ(value["unpadded"].data(), (Bytes{0, 1}));
    EXPECT_EQ(value["cdata"].text(), "a<b>&c");
    EXPECT_EQ(value["entities"].text(), "中文 \"'");
    EXPECT_EQ(value["hex"].asInt64(), 31);
    EXPECT_EQ(value["signed"].asInt64(), -42);
    EXPECT_EQ(value["date"].date().secondsSince1970, 1709251199);
    EXPECT_EQ(value["fraction"].date().secondsSince1970, 0.5);
    EXPECT_TRUE(std::isinf(value["inf"].asDouble()) && value["inf"].asDouble() > 0);
    EXPECT_TRUE(std::isnan(value["nan"].asDouble()));
    EXPECT_EQ(value["twice"].asInt64(), 2);
    EXPECT_TRUE(value["true"].asBool());
    // A bare value without the <plist> wrapper, and UTF-16 input.
    EXPECT_EQ(parseOk("<array><string>x</string></array>"), Value(ValueArray{Value("x")}));
    const std::string utf16 =
        std::string("\xFF\xFE<\0s\0t\0r\0i\0n\0g\0>\0\x2D\x4E<\0/\0s\0t\0r\0i\0n\0g\0>\0", 38);
    EXPECT_EQ(parseOk(utf16).text(), "中");
}

TEST(PropertyListTest, BadInputGivesAnErrorNamingTheProblem) {
    struct Case {
        std::string input;
        std::string expected;  // part of the description
    };
    const Case cases[] = {
        {"", "XML"},
        {"\xFF\x00\x13garbage", "XML"},
        {plist("<dict><key>a</key>"), "XML"},
        {plist("<dict><key>a</key></dict>"), "has no value"},
        {plist("<dict><string>a</string></dict>"), "expected <key>"},
        {plist("<dict>loose<key>a</key><true/></dict>"), "stray text"},
        {plist("<set/>"), "unknown element <set>"},
        {plist("<integer>12abc</integer>"), "not a number"},
        {plist("<integer>9223372036854775808</integer>"), "64-bit"},
        {plist("<integer>-9223372036854775809</integer>"), "64-bit"},
        {plist("<real>1.5.5</real>"), "not a number"},
        {plist("<data>AA=A</data>"), "Base64"},
        {plist("<data>A</data>"), "Base64"},
        {plist("<date>2026-02-30T00:00:00Z</date>"), "ISO 8601"},
        {plist("<string>a<b/>c</string>"), "unexpected <b>"},
        {plist(""), "empty"},
        {plist("<true/><false/>"), "more than one"},
        // The XML parser lets these through; such a file could never be written again.
        {plist("<dict><key>a\x1E</key><true/></dict>"), "control character"},
        {plist("<string>a\x01b</string>"), "control character"}};
    for (const Case& c : cases) {
        auto result = parseText(c.input);
        ASSERT_FALSE(result) << c.input;
        EXPECT_NE(result.error().localizedDescription.find(c.expected), std::string::npos)
            << c.input << " gave: " << result.error().localizedDescription;
    }
    EXPECT_EQ(parseOk(plist("<integer>-9223372036854775808</integer>")).asInt64(),
              std::numeric_limits<int64_t>::min());
}

// Deep nesting is refused without exhausting the stack; what has no plist form is not
// written, and dates outside the writable years are clamped.
TEST(PropertyListTest, WhatCannotBeWrittenOrReadIsRefusedOrClamped) {
    std::string opens, closes;
    for (int i = 0; i < 100000; ++i) opens += "<array>", closes += "</array>";
    auto result = parseText(plist(opens + closes));
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().localizedDescription.find("nesting"), std::string::npos);
    Value value = Value(ValueArray{});
    for (int i = 0; i < 1000; ++i) value = Value(ValueArray{value});
    EXPECT_FALSE(serializePropertyList(value));
    auto object = Value::object(std::make_shared<int>(7));
    EXPECT_FALSE(serializePropertyList(Value()));
    auto nested = serializePropertyList(Value(ValueDictionary{{"device", object}}));
    ASSERT_FALSE(nested);
    EXPECT_NE(nested.error().localizedDescription.find("device"), std::string::npos);
    for (double seconds : {-1e18, 1e18, std::nan("")}) {
        EXPECT_TRUE(parseOk(serializePropertyList(Value(Date{seconds})).value_or("")).isDate());
    }
    auto early = serializePropertyList(Value(Date{-62135596800.0 - 5}));  // before 0001-01-01
    EXPECT_NE(early.value().find("0001-01-01T00:00:00Z"), std::string::npos);
    auto beforeEpoch = serializePropertyList(Value(Date{-0.5}));
    EXPECT_NE(beforeEpoch.value().find("1969-12-31T23:59:59Z"), std::string::npos);
}

}  // namespace
}  // namespace platform::foundation
