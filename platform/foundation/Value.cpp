#include "platform/foundation/Value.h"

#include <cmath>
#include <cstdio>

namespace platform::foundation {

namespace {

const Value& nullValue() {
    static const Value value;
    return value;
}

template <class T>
const T& emptyOf() {
    static const T value{};
    return value;
}

}  // namespace

bool Value::isNumber() const {
    switch (kind()) {
        case Kind::Boolean:
        case Kind::Integer:
        case Kind::Float:
        case Kind::Double:
            return true;
        default:
            return false;
    }
}

bool Value::asBool() const {
    switch (kind()) {
        case Kind::Boolean:
            return std::get<bool>(storage_);
        case Kind::Integer:
            return std::get<int64_t>(storage_) != 0;
        case Kind::Float:
            return std::get<float>(storage_) != 0.0f;
        case Kind::Double:
            return std::get<double>(storage_) != 0.0;
        default:
            return false;
    }
}

namespace {

// Truncation towards zero, saturated at the ends of the range and 0 for NaN, so that no
// input is undefined behaviour.
int64_t truncateToInt64(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9223372036854775807.0) return INT64_MAX;
    if (value <= -9223372036854775808.0) return INT64_MIN;
    return static_cast<int64_t>(value);
}

}  // namespace

int64_t Value::asInt64() const {
    switch (kind()) {
        case Kind::Boolean:
            return std::get<bool>(storage_) ? 1 : 0;
        case Kind::Integer:
            return std::get<int64_t>(storage_);
        case Kind::Float:
            return truncateToInt64(std::get<float>(storage_));
        case Kind::Double:
            return truncateToInt64(std::get<double>(storage_));
        default:
            return 0;
    }
}

float Value::asFloat() const {
    if (kind() == Kind::Float) return std::get<float>(storage_);
    return static_cast<float>(asDouble());
}

double Value::asDouble() const {
    switch (kind()) {
        case Kind::Boolean:
            return std::get<bool>(storage_) ? 1.0 : 0.0;
        case Kind::Integer:
            return static_cast<double>(std::get<int64_t>(storage_));
        case Kind::Float:
            return std::get<float>(storage_);
        case Kind::Double:
            return std::get<double>(storage_);
        default:
            return 0.0;
    }
}

const std::string& Value::text() const {
    return isText() ? std::get<std::string>(storage_) : emptyOf<std::string>();
}

const Bytes& Value::data() const {
    return isData() ? std::get<Bytes>(storage_) : emptyOf<Bytes>();
}

Date Value::date() const {
    return isDate() ? std::get<Date>(storage_) : Date{};
}

const ValueArray& Value::array() const {
    return isArray() ? std::get<ValueArray>(storage_) : emptyOf<ValueArray>();
}

const ValueDictionary& Value::dictionary() const {
    return isDictionary() ? std::get<ValueDictionary>(storage_) : emptyOf<ValueDictionary>();
}

const ObjectRef& Value::objectRef() const {
    return isObject() ? std::get<ObjectRef>(storage_) : emptyOf<ObjectRef>();
}

const Value& Value::operator[](const std::string& key) const {
    if (!isDictionary()) return nullValue();
    const auto& entries = std::get<ValueDictionary>(storage_);
    auto found = entries.find(key);
    return found == entries.end() ? nullValue() : found->second;
}

const Value& Value::at(size_t index) const {
    if (!isArray()) return nullValue();
    const auto& elements = std::get<ValueArray>(storage_);
    return index < elements.size() ? elements[index] : nullValue();
}

size_t Value::count() const {
    if (isArray()) return std::get<ValueArray>(storage_).size();
    if (isDictionary()) return std::get<ValueDictionary>(storage_).size();
    return 0;
}

ValueArray& Value::mutableArray() {
    if (!isArray()) storage_ = ValueArray{};
    return std::get<ValueArray>(storage_);
}

ValueDictionary& Value::mutableDictionary() {
    if (!isDictionary()) storage_ = ValueDictionary{};
    return std::get<ValueDictionary>(storage_);
}

bool Value::operator==(const Value& other) const {
    if (isNumber() && other.isNumber()) {
        // Integers compare exactly (doubles lose precision beyond 2^53).
        bool integral = (kind() == Kind::Integer || kind() == Kind::Boolean) &&
                        (other.kind() == Kind::Integer || other.kind() == Kind::Boolean);
        if (integral) return asInt64() == other.asInt64();
        return asDouble() == other.asDouble();
    }
    return storage_ == other.storage_;
}

const char* kindName(Value::Kind kind) {
    switch (kind) {
        case Value::Kind::Null:
            return "null";
        case Value::Kind::Boolean:
            return "boolean";
        case Value::Kind::Integer:
            return "integer";
        case Value::Kind::Float:
            return "float";
        case Value::Kind::Double:
            return "double";
        case Value::Kind::Text:
            return "text";
        case Value::Kind::Data:
            return "data";
        case Value::Kind::Date:
            return "date";
        case Value::Kind::Array:
            return "array";
        case Value::Kind::Dictionary:
            return "dictionary";
        case Value::Kind::Object:
            return "object";
    }
    return "?";
}

std::string Value::description() const {
    char buffer[64];
    switch (kind()) {
        case Kind::Null:
            return "null";
        case Kind::Boolean:
            return asBool() ? "true" : "false";
        case Kind::Integer:
            return std::to_string(asInt64());
        case Kind::Float:
        case Kind::Double:
            std::snprintf(buffer, sizeof buffer, "%.17g", asDouble());
            return buffer;
        case Kind::Text:
            return "\"" + text() + "\"";
        case Kind::Data:
            return "<" + std::to_string(data().size()) + " bytes>";
        case Kind::Date:
            std::snprintf(buffer, sizeof buffer, "date(%.3f)", date().secondsSince1970);
            return buffer;
        case Kind::Array: {
            std::string out = "[";
            for (size_t i = 0; i < array().size(); ++i) {
                if (i) out += ", ";
                out += array()[i].description();
            }
            return out + "]";
        }
        case Kind::Dictionary: {
            std::string out = "{";
            bool first = true;
            for (const auto& [key, value] : dictionary()) {
                if (!first) out += ", ";
                first = false;
                out += key + ": " + value.description();
            }
            return out + "}";
        }
        case Kind::Object:
            std::snprintf(buffer, sizeof buffer, "object(%p)", objectRef().pointer.get());
            return buffer;
    }
    return "?";
}

}  // namespace platform::foundation
