#include <gtest/gtest.h>

#include <cmath>

#include "common/JsonDictionary.h"
#include "common/JsonHelpers.h"

using namespace common;
using namespace platform::foundation;

TEST(JsonHelpers, ValuesThatCannotBeSerialisedGiveTheFailureAnswer) {
    Value deep(ValueArray{});
    for (int level = 0; level < 600; ++level) deep = Value(ValueArray{deep});
    const Value unserialisable[] = {
        Value(ValueDictionary{{"when", Value(Date{1700000000})}}),
        Value(ValueDictionary{{"bytes", Value(Bytes{1, 2})}}),
        Value(
            ValueArray{Value(ValueDictionary{{"deep", Value::object(std::make_shared<int>(4))}})}),
        Value(ValueArray{Value(INFINITY)}),
        Value(ValueDictionary{{"nan", Value(std::nanf(""))}}),
        Value("a text alone"),
        deep,  // beyond the serialiser's depth, without crashing
    };
    for (const auto& value : unserialisable) {
        EXPECT_FALSE(isValidJSON(value)) << value.description();
        EXPECT_EQ(jsonString(value), "无法转JSON") << value.description();
        EXPECT_EQ(dataCheckJsonWithJSONObject(value, 0), std::nullopt) << value.description();
    }
    // What can be serialised gives the serialiser's own texts, pretty where asked.
    EXPECT_TRUE(isValidJSON(Value(ValueArray{1, "x", nullptr})));
    EXPECT_EQ(jsonString(Value(ValueDictionary{{"a", 1}})), "{\n  \"a\": 1\n}");
    EXPECT_EQ(dictionaryJSONString({{"a", 1}, {"b", "两"}}, false), R"({"a":1,"b":"两"})");
}

TEST(DictionaryFromJSONText, OnlyAnObjectGivesADictionary) {
    auto dictionary = dictionaryFromJSONText(R"({"a": [1, 2.5, "x"], "b": {"c": null}})");
    ASSERT_TRUE(dictionary);
    EXPECT_EQ(Value(*dictionary)["a"].at(1).asDouble(), 2.5);
    EXPECT_TRUE(Value(*dictionary)["b"]["c"].isNull());
    for (const char* text : {"", "[1, 2]", "\"text\"", "null", "{", "{\"a\":}", "{'a': 1}",
                             "{\"a\": \"\xff\"}", "{\"a\": 1} trailing"}) {
        EXPECT_EQ(dictionaryFromJSONText(text), std::nullopt) << text;
    }
}
