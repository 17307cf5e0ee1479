#include "widgets/ColorFromHex.h"

#include <cstdint>
#include <string>

namespace {

struct HexDigits {
    uint64_t value = 0;
    size_t count = 0;
};

// The hexadecimal digits of `text`, in their order, read as one number.
HexDigits keptDigits(std::string_view text) {
    HexDigits digits;
    for (char c : text) {
        int nibble = -1;
        if (c >= '0' && c <= '9') nibble = c - '0';
        if (c >= 'a' && c <= 'f') nibble = c - 'a' + 10;
        if (c >= 'A' && c <= 'F') nibble = c - 'A' + 10;
        if (nibble < 0) continue;
        digits.value = digits.value << 4 | static_cast<uint64_t>(nibble);
        ++digits.count;
    }
    return digits;
}

double component(uint64_t value, int shift) {
    return static_cast<double>(value >> shift & 0xFF) / 255.0;
}

std::optional<platform::ui::Color> colorOf(std::string_view text, std::optional<double> alpha) {
    const HexDigits digits = keptDigits(text);
    if (digits.count == 6) {
        return platform::ui::Color::rgb(component(digits.value, 16), component(digits.value, 8),
                                        component(digits.value, 0), alpha.value_or(1.0));
    }
    if (digits.count == 8) {
        return platform::ui::Color::rgb(component(digits.value, 24), component(digits.value, 16),
                                        component(digits.value, 8),
                                        alpha.value_or(component(digits.value, 0)));
    }
    return std::nullopt;
}

}  // namespace

std::optional<platform::ui::Color> initWithHexString(std::string_view text) {
    return colorOf(text, std::nullopt);
}

std::optional<platform::ui::Color> initWithHexString(std::string_view text, double alpha) {
    return colorOf(text, alpha);
}
