#include <gtest/gtest.h>

#include <cmath>

#include "platform/foundation/Value.h"
#include "platform/foundation/ValueJson.h"

using namespace platform::foundation;

TEST(Value, NumbersReadAndCompareAcrossKindsAsNSNumberDoes) {
    EXPECT_EQ(Value(-2.9).asInt64(), -2);  // truncation towards zero
    EXPECT_TRUE(Value(0.25).asBool());
    EXPECT_EQ(Value(true).asInt64(), 1);
    EXPECT_FLOAT_EQ(Value(0.01).asFloat(), 0.01f);
    // Not numbers read as zero; out-of-range and NaN never invoke undefined conversions.
    EXPECT_EQ(Value("12").asInt64(), 0);
    EXPECT_EQ(Value(1e300).asInt64(), INT64_MAX);
    EXPECT_EQ(Value(-1e300).asInt64(), INT64_MIN);
    EXPECT_EQ(Value(std::nan("")).asInt64(), 0);
    EXPECT_EQ(Value(1), Value(1.0));
    EXPECT_EQ(Value(true), Value(1));
    EXPECT_NE(Value(1), Value("1"));
    EXPECT_NE(Value(), Value(0));
    // Large integers compare exactly, not through doubles.
    EXPECT_NE(Value(int64_t{9007199254740993}), Value(int64_t{9007199254740992}));
}

TEST(Value, ContainerAndObjectAccessNeverThrows) {
    Value dict(ValueDictionary{{"type", Value(9997)}, {"value", Value(ValueArray{Value(1.5)})}});
    EXPECT_TRUE(dict["missing"].isNull());
    EXPECT_DOUBLE_EQ(dict["value"].at(0).asDouble(), 1.5);
    EXPECT_TRUE(dict["value"].at(5).isNull());
    EXPECT_TRUE(Value(3)["x"].isNull());
    struct Device {
        int id;
    };
    auto first = std::make_shared<Device>(Device{7});
    EXPECT_EQ(Value::object(first).objectAs<Device>()->id, 7);
    EXPECT_EQ(Value::object(first).objectAs<int>(), nullptr);
    EXPECT_EQ(Value(5).objectAs<Device>(), nullptr);
    EXPECT_EQ(Value::object(first), Value::object(first));
    EXPECT_NE(Value::object(first), Value::object(std::make_shared<Device>(Device{7})));
}

TEST(ValueJson, RoundTripKeepsKindsAndPrettyTextIsTheCompactTextIndented) {
    auto parsed = parseJsonText(R"({"type":9997,"value":[1,2.5,-3],"ok":true,"none":null})");
    ASSERT_TRUE(parsed);
    EXPECT_TRUE((*parsed)["type"].isInteger());
    EXPECT_EQ((*parsed)["value"].at(1).kind(), Value::Kind::Double);
    EXPECT_TRUE((*parsed)["ok"].isBoolean());
    auto again = parseJsonText(jsonText(*parsed).value_or(""));
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *parsed);
    Value value(ValueDictionary{{"a", Value(ValueArray{1, 2})}, {"b", "x"}});
    EXPECT_EQ(prettyJsonText(value), "{\n  \"a\": [\n    1,\n    2\n  ],\n  \"b\": \"x\"\n}");
    EXPECT_EQ(jsonText(value), "{\"a\":[1,2],\"b\":\"x\"}");
    EXPECT_EQ(jsonText(Value(ValueArray{Value(0.1f), Value(0.01)})), "[0.1,0.01]");
    for (const Value& unwritable : {Value(Bytes{1}), Value(Date{5}), Value(HUGE_VAL),
                                    Value::object(std::make_shared<int>(1))}) {
        EXPECT_FALSE(jsonText(Value(ValueArray{unwritable}))) << unwritable.description();
    }
}

TEST(ValueJson, BadTextIsAnErrorNotACrash) {
    for (const char* text : {"", "{", "[1,]", "{\"a\" 1}", "nul", "\xff\xfe"}) {
        EXPECT_FALSE(parseJsonText(text)) << text;
    }
    EXPECT_FALSE(parseJsonText(std::string(100000, '[')));
    EXPECT_FALSE(parseJsonText(std::string(600, '[') + std::string(600, ']')));
}
