#include "common/JsonHelpers.h"

#include <exception>

#include "platform/foundation/ValueJson.h"

namespace common {

namespace foundation = platform::foundation;

namespace {

std::optional<std::string> serialised(const foundation::Value& value, unsigned options) {
    if (!foundation::isValidJsonObject(value)) return std::nullopt;
    try {
        return (options & JSONWritingPrettyPrinted) ? foundation::prettyJsonText(value)
                                                    : foundation::jsonText(value);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// A value that passed the validity test but still failed to serialise (nesting too deep
// for the serialiser) gets the same answer as an invalid one.
std::string textOrFailure(const foundation::Value& value, unsigned options) {
    return serialised(value, options).value_or(kJsonFailureText);
}

}  // namespace

bool isValidJSON(const foundation::Value& value) {
    return foundation::isValidJsonObject(value);
}

std::string jsonString(const foundation::Value& value) {
    return textOrFailure(value, JSONWritingPrettyPrinted);
}

std::string dictionaryJSONString(const foundation::ValueDictionary& dictionary, bool pretty) {
    return textOrFailure(foundation::Value(dictionary), pretty ? JSONWritingPrettyPrinted : 0u);
}

std::string arrayJSONString(const foundation::ValueArray& array, bool pretty) {
    return textOrFailure(foundation::Value(array), pretty ? JSONWritingPrettyPrinted : 0u);
}

std::optional<std::vector<uint8_t>> dataCheckJsonWithJSONObject(const foundation::Value& object,
                                                                unsigned options) {
    auto text = serialised(object, options);
    if (!text) return std::nullopt;
    return std::vector<uint8_t>(text->begin(), text->end());
}

}  // namespace common
