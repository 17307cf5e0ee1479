#include <gtest/gtest.h>

#include <cmath>

#include "common/ClassName.h"
#include "common/JsonDictionary.h"
#include "common/JsonHelpers.h"
#include "platform/foundation/ValueJson.h"

using namespace common;
using namespace platform::foundation;

namespace {

const Value kPlain(ValueDictionary{{"name", "TAVRO Glass"}, {"count", 3}, {"ratio", 0.5}});

}  // namespace

TEST(JsonHelpers, ValuesThatCannotBeSerialisedGiveTheFailureAnswers) {
    const Value unserialisable[] = {
        Value(ValueDictionary{{"when", Value(Date{1700000000})}}),
        Value(ValueDictionary{{"bytes", Value(Bytes{1, 2})}}),
        Value(
            ValueArray{Value(ValueDictionary{{"deep", Value::object(std::make_shared<int>(4))}})}),
        Value(ValueArray{Value(INFINITY)}),
        Value(ValueDictionary{{"nan", Value(std::nanf(""))}}),
        Value("a text alone"),
        Value(42),
    };
    for (const auto& value : unserialisable) {
        EXPECT_FALSE(isValidJSON(value)) << value.description();
        EXPECT_EQ(jsonString(value), "无法转JSON") << value.description();
        EXPECT_EQ(dataCheckJsonWithJSONObject(value, 0), std::nullopt) << value.description();
    }
    EXPECT_EQ(dictionaryJSONString(ValueDictionary{{"when", Value(Date{1})}}, true), "无法转JSON");
    EXPECT_EQ(arrayJSONString(ValueArray{Value(Bytes{})}, false), "无法转JSON");
}

TEST(JsonHelpers, InvalidValuesAreLeftAsTheyWere) {
    Value value(ValueDictionary{{"when", Value(Date{1})}, {"ok", 1}});
    Value copy = value;
    jsonString(value);
    isValidJSON(value);
    EXPECT_EQ(value, copy);
}

TEST(JsonHelpers, SerialisedTextsAreTheSerialisersOwn) {
    EXPECT_TRUE(isValidJSON(kPlain));
    auto compact = dataCheckJsonWithJSONObject(kPlain, 0);
    ASSERT_TRUE(compact);
    EXPECT_EQ(std::string(compact->begin(), compact->end()), jsonText(kPlain));
    auto pretty = dataCheckJsonWithJSONObject(kPlain, JSONWritingPrettyPrinted);
    ASSERT_TRUE(pretty);
    EXPECT_EQ(std::string(pretty->begin(), pretty->end()), prettyJsonText(kPlain));
    EXPECT_EQ(jsonString(kPlain), prettyJsonText(kPlain));
    EXPECT_EQ(dictionaryJSONString(kPlain.dictionary(), false),
              R"({"count":3,"name":"TAVRO Glass","ratio":0.5})");
    EXPECT_EQ(dictionaryJSONString(kPlain.dictionary(), true), prettyJsonText(kPlain));
    EXPECT_EQ(arrayJSONString(ValueArray{1, "两", nullptr, true}, false), R"([1,"两",null,true])");
    EXPECT_EQ(arrayJSONString(ValueArray{}, true), "[]");
}

TEST(JsonHelpers, NestingBeyondTheSerialisersDepthFailsWithoutCrashing) {
    Value deep(ValueArray{});
    for (int level = 0; level < 600; ++level) deep = Value(ValueArray{deep});
    EXPECT_EQ(jsonString(deep), "无法转JSON");
    EXPECT_EQ(dataCheckJsonWithJSONObject(deep, 0), std::nullopt);
}

TEST(DictionaryFromJSONText, OnlyAnObjectGivesADictionary) {
    auto dictionary = dictionaryFromJSONText(R"({"a": [1, 2.5, "x"], "b": {"c": null}})");
    ASSERT_TRUE(dictionary);
    EXPECT_EQ(Value(*dictionary)["a"].at(1).asDouble(), 2.5);
    EXPECT_TRUE(Value(*dictionary)["b"]["c"].isNull());
    EXPECT_EQ(dictionaryFromJSONText("{}"), ValueDictionary{});
    for (const char* text : {"", "[1, 2]", "\"text\"", "3", "null", "{", "{\"a\":}", "{'a': 1}",
                             "{\"a\": \"\xff\"}", "{\"a\": 1} trailing"}) {
        EXPECT_EQ(dictionaryFromJSONText(text), std::nullopt) << text;
    }
}

namespace glasses::inner {
struct HIDDevice {
    virtual ~HIDDevice() = default;
};
struct WakeDevice : HIDDevice {};
template <class T>
struct Holder {};
}  // namespace glasses::inner

TEST(ClassName, DropsTheNamespacesButKeepsTemplateArguments) {
    EXPECT_EQ(className(glasses::inner::HIDDevice{}), "HIDDevice");
    glasses::inner::WakeDevice wake;
    const glasses::inner::HIDDevice& base = wake;
    EXPECT_EQ(className(base), "WakeDevice");
    EXPECT_EQ(className(glasses::inner::Holder<glasses::inner::HIDDevice>{}),
              "Holder<glasses::inner::HIDDevice>");
    EXPECT_EQ(className(42), "int");
    EXPECT_EQ(classNameFromQualifiedName("Module::Name"), "Name");
}
