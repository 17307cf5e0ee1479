#pragma once
// The dynamic value carried by notification objects, user-info dictionaries, user-defaults
// entries and JSON bodies. A Value is a plain value type: copying it copies the contents
// (object references are shared). Not synchronised: guard a Value shared between threads.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <typeindex>
#include <variant>
#include <vector>

namespace platform::foundation {

class Value;

// A point in time as seconds since 1970-01-01 00:00:00 UTC.
struct Date {
    double secondsSince1970 = 0;
    bool operator==(const Date&) const = default;
};

// An opaque reference to an object (a device handle, a view); compared by identity.
struct ObjectRef {
    std::shared_ptr<void> pointer;
    std::type_index type = typeid(void);
    bool operator==(const ObjectRef& other) const { return pointer == other.pointer; }
};

using ValueArray = std::vector<Value>;
using ValueDictionary = std::map<std::string, Value>;
using Bytes = std::vector<uint8_t>;

class Value {
  public:
    enum class Kind {
        Null,
        Boolean,
        Integer,
        Float,
        Double,
        Text,
        Data,
        Date,
        Array,
        Dictionary,
        Object
    };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool b) : storage_(b) {}
    Value(int i) : storage_(int64_t{i}) {}
    Value(unsigned i) : storage_(int64_t{i}) {}
    Value(long i) : storage_(int64_t{i}) {}
    Value(long long i) : storage_(int64_t{i}) {}
    Value(unsigned long i) : storage_(static_cast<int64_t>(i)) {}
    Value(unsigned long long i) : storage_(static_cast<int64_t>(i)) {}
    Value(float f) : storage_(f) {}
    Value(double d) : storage_(d) {}
    Value(const char* s) : storage_(std::string(s)) {}
    Value(std::string s) : storage_(std::move(s)) {}
    Value(std::string_view s) : storage_(std::string(s)) {}
    Value(Bytes data) : storage_(std::move(data)) {}
    Value(platform::foundation::Date d) : storage_(d) {}
    Value(ValueArray a) : storage_(std::move(a)) {}
    Value(ValueDictionary d) : storage_(std::move(d)) {}
    Value(ObjectRef o) : storage_(std::move(o)) {}

    template <class T>
    static Value object(std::shared_ptr<T> object) {
        return Value(ObjectRef{std::static_pointer_cast<void>(std::move(object)), typeid(T)});
    }

    Kind kind() const { return static_cast<Kind>(storage_.index()); }
    bool isNull() const { return kind() == Kind::Null; }
    bool isBoolean() const { return kind() == Kind::Boolean; }
    bool isInteger() const { return kind() == Kind::Integer; }
    bool isText() const { return kind() == Kind::Text; }
    bool isData() const { return kind() == Kind::Data; }
    bool isDate() const { return kind() == Kind::Date; }
    bool isArray() const { return kind() == Kind::Array; }
    bool isDictionary() const { return kind() == Kind::Dictionary; }
    bool isObject() const { return kind() == Kind::Object; }
    // Boolean, integer, float and double are all numbers, as with NSNumber.
    bool isNumber() const;

    // Numbers read across kinds the way NSNumber does: a Boolean is 0 or 1, a floating
    // value read as an integer is truncated towards zero, a number read as a Boolean is
    // true when non-zero. Anything that is not a number reads as 0 / false.
    bool asBool() const;
    int64_t asInt64() const;
    int32_t asInt32() const { return static_cast<int32_t>(asInt64()); }
    float asFloat() const;
    double asDouble() const;

    // The contents of the kind named; an empty one when the value is of another kind.
    const std::string& text() const;
    const Bytes& data() const;
    platform::foundation::Date date() const;
    const ValueArray& array() const;
    const ValueDictionary& dictionary() const;
    const ObjectRef& objectRef() const;

    // The referenced object when it was stored as a T, else null.
    template <class T>
    std::shared_ptr<T> objectAs() const {
        if (!isObject() || objectRef().type != typeid(T)) return nullptr;
        return std::static_pointer_cast<T>(objectRef().pointer);
    }

    // Dictionary member, or a null value when this is not a dictionary or has no such key.
    const Value& operator[](const std::string& key) const;
    // Array element, or a null value when out of range.
    const Value& at(size_t index) const;
    size_t count() const;  // elements of an array, entries of a dictionary, else 0

    // Mutable access; turns a null value into an empty container of that kind first.
    ValueArray& mutableArray();
    ValueDictionary& mutableDictionary();

    // Numbers compare by numeric value across kinds (1 == 1.0 == true), the rest by
    // kind and contents; object references by identity.
    bool operator==(const Value& other) const;

    // A short human-readable description, for logs and test failures.
    std::string description() const;

  private:
    std::variant<std::monostate, bool, int64_t, float, double, std::string, Bytes,
                 platform::foundation::Date, ValueArray, ValueDictionary, ObjectRef>
        storage_;
};

const char* kindName(Value::Kind kind);

}  // namespace platform::foundation
