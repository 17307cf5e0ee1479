#include "platform/foundation/DefaultsText.h"

#include <charconv>
#include <limits>

namespace platform::foundation::defaultstext {

namespace {

std::string_view skipBlanks(std::string_view text) {
    while (!text.empty() &&
           (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' ||
            text.front() == '\r' || text.front() == '\f' || text.front() == '\v')) {
        text.remove_prefix(1);
    }
    return text;
}

template <class Number>
std::string shortest(Number number) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, number);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

}  // namespace

bool textBool(std::string_view text) {
    text = skipBlanks(text);
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    while (!text.empty() && text.front() == '0') text.remove_prefix(1);
    if (text.empty()) return false;
    const char c = text.front();
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

int64_t textInteger(std::string_view text) {
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    int64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        const int digit = c - '0';
        // Accumulating towards the sign's side keeps INT64_MIN reachable.
        if (negative) {
            if (result < (kMin + digit) / 10) return kMin;
            result = result * 10 - digit;
        } else {
            if (result > (kMax - digit) / 10) return kMax;
            result = result * 10 + digit;
        }
    }
    return result;
}

double textDouble(std::string_view text) {
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') negative = true;
    double result = 0;
    auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), result, std::chars_format::general);
    if (ec == std::errc::invalid_argument) return 0;
    if (ec == std::errc::result_out_of_range) {
        // Beyond double: a negative exponent underflows to zero, anything else overflows.
        const std::string_view number(text.data(), static_cast<size_t>(end - text.data()));
        const size_t exponent = number.find_first_of("eE");
        const bool tiny = exponent != std::string_view::npos && exponent + 1 < number.size() &&
                          number[exponent + 1] == '-';
        const double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
        return negative ? -magnitude : magnitude;
    }
    return result;
}

std::string numberText(const Value& number) {
    switch (number.kind()) {
        case Value::Kind::Boolean:
            return number.asBool() ? "1" : "0";
        case Value::Kind::Integer:
            return std::to_string(number.asInt64());
        case Value::Kind::Float:
            return shortest(number.asFloat());
        case Value::Kind::Double:
            return shortest(number.asDouble());
        default:
            return "0";
    }
}

}  // namespace platform::foundation::defaultstext
