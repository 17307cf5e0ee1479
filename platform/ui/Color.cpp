#include "platform/ui/Color.h"

#include <algorithm>
#include <cmath>

namespace platform::ui {

namespace {
uint32_t byte(double component) {
    return static_cast<uint32_t>(std::lround(std::clamp(component, 0.0, 1.0) * 255.0));
}

int nibble(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

double component(uint32_t value, int shift) {
    return static_cast<double>(value >> shift & 0xFF) / 255.0;
}
}  // namespace

std::optional<Color> Color::fromHexDigits(std::string_view digits) {
    if (digits.size() != 6 && digits.size() != 8) return std::nullopt;
    uint32_t value = 0;
    for (char c : digits) {
        const int digit = nibble(c);
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    if (digits.size() == 6) value = value << 8 | 0xFF;
    return rgb(component(value, 24), component(value, 16), component(value, 8),
               component(value, 0));
}

uint32_t Color::argb32() const {
    return byte(alpha) << 24 | byte(red) << 16 | byte(green) << 8 | byte(blue);
}

}  // namespace platform::ui
