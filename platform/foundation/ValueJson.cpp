#include "platform/foundation/ValueJson.h"

#include <charconv>
#include <cmath>

namespace platform::foundation {

namespace {

constexpr int kMaxDepth = 512;
const char* const kDomain = "JSONErrorDomain";

std::optional<Value> convert(const nlohmann::json& json, int depth) {
    if (depth > kMaxDepth) return std::nullopt;
    switch (json.type()) {
        case nlohmann::json::value_t::null:
            return Value();
        case nlohmann::json::value_t::boolean:
            return Value(json.get<bool>());
        case nlohmann::json::value_t::number_integer:
            return Value(json.get<int64_t>());
        case nlohmann::json::value_t::number_unsigned: {
            auto number = json.get<uint64_t>();
            if (number <= static_cast<uint64_t>(INT64_MAX))
                return Value(static_cast<int64_t>(number));
            return Value(static_cast<double>(number));
        }
        case nlohmann::json::value_t::number_float:
            return Value(json.get<double>());
        case nlohmann::json::value_t::string:
            return Value(json.get<std::string>());
        case nlohmann::json::value_t::array: {
            ValueArray elements;
            elements.reserve(json.size());
            for (const auto& element : json) {
                auto converted = convert(element, depth + 1);
                if (!converted) return std::nullopt;
                elements.push_back(std::move(*converted));
            }
            return Value(std::move(elements));
        }
        case nlohmann::json::value_t::object: {
            ValueDictionary entries;
            for (const auto& [key, element] : json.items()) {
                auto converted = convert(element, depth + 1);
                if (!converted) return std::nullopt;
                entries.emplace(key, std::move(*converted));
            }
            return Value(std::move(entries));
        }
        default:  // binary and discarded values have no Value form
            return std::nullopt;
    }
}

// A float is written with the shortest decimal text that reads back as the same float
// (0.1f as 0.1, not 0.100000001490116), as the platform writes single-precision numbers.
double floatAsShortestDouble(float number) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    double widened = number;
    std::from_chars(buffer, result.ptr, widened);
    return widened;
}

std::optional<nlohmann::json> toJson(const Value& value, int depth) {
    if (depth > kMaxDepth) return std::nullopt;
    switch (value.kind()) {
        case Value::Kind::Null:
            return nlohmann::json(nullptr);
        case Value::Kind::Boolean:
            return nlohmann::json(value.asBool());
        case Value::Kind::Integer:
            return nlohmann::json(value.asInt64());
        case Value::Kind::Float:
        case Value::Kind::Double: {
            double number = value.kind() == Value::Kind::Float
                                ? floatAsShortestDouble(value.asFloat())
                                : value.asDouble();
            if (!std::isfinite(number)) return std::nullopt;
            return nlohmann::json(number);
        }
        case Value::Kind::Text:
            return nlohmann::json(value.text());
        case Value::Kind::Array: {
            auto out = nlohmann::json::array();
            for (const auto& element : value.array()) {
                auto converted = toJson(element, depth + 1);
                if (!converted) return std::nullopt;
                out.push_back(std::move(*converted));
            }
            return out;
        }
        case Value::Kind::Dictionary: {
            auto out = nlohmann::json::object();
            for (const auto& [key, element] : value.dictionary()) {
                auto converted = toJson(element, depth + 1);
                if (!converted) return std::nullopt;
                out[key] = std::move(*converted);
            }
            return out;
        }
        case Value::Kind::Data:
        case Value::Kind::Date:
        case Value::Kind::Object:
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

Result<Value> valueFromJson(const nlohmann::json& json) {
    auto converted = convert(json, 0);
    if (!converted) return Error{kDomain, 3840, "The JSON value cannot be represented."};
    return std::move(*converted);
}

std::optional<nlohmann::json> jsonFromValue(const Value& value) {
    return toJson(value, 0);
}

Result<Value> parseJsonText(std::string_view text) {
    auto json =
        nlohmann::json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
    if (json.is_discarded()) return Error{kDomain, 3840, "The data is not valid JSON."};
    return valueFromJson(json);
}

namespace {

std::optional<std::string> dumpJson(const Value& value, int indent) {
    auto json = jsonFromValue(value);
    if (!json) return std::nullopt;
    // Invalid UTF-8 in a text is replaced rather than thrown about.
    return json->dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool isSerialisable(const Value& value, int depth) {
    if (depth > kMaxDepth) return false;
    switch (value.kind()) {
        case Value::Kind::Null:
        case Value::Kind::Boolean:
        case Value::Kind::Integer:
        case Value::Kind::Text:
            return true;
        case Value::Kind::Float:
        case Value::Kind::Double:
            return std::isfinite(value.asDouble());
        case Value::Kind::Array:
            for (const auto& element : value.array()) {
                if (!isSerialisable(element, depth + 1)) return false;
            }
            return true;
        case Value::Kind::Dictionary:
            for (const auto& [key, element] : value.dictionary()) {
                if (!isSerialisable(element, depth + 1)) return false;
            }
            return true;
        case Value::Kind::Data:
        case Value::Kind::Date:
        case Value::Kind::Object:
            return false;
    }
    return false;
}

}  // namespace

std::optional<std::string> jsonText(const Value& value) {
    return dumpJson(value, -1);
}

std::optional<std::string> prettyJsonText(const Value& value) {
    return dumpJson(value, 2);
}

bool isValidJsonObject(const Value& value) {
    return (value.isArray() || value.isDictionary()) && isSerialisable(value, 0);
}

}  // namespace platform::foundation
