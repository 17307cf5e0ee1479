#include "widgets/ColorFromHex.h"

#include <string>

namespace {

// The hexadecimal digits of `text`, in their order; everything else is dropped.
std::string keptDigits(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))
            digits.push_back(c);
    }
    return digits;
}

std::optional<platform::ui::Color> colorOf(std::string_view text, std::optional<double> alpha) {
    auto colour = platform::ui::Color::fromHexDigits(keptDigits(text));
    if (colour && alpha) return colour->withAlpha(*alpha);
    return colour;
}

}  // namespace

std::optional<platform::ui::Color> initWithHexString(std::string_view text) {
    return colorOf(text, std::nullopt);
}

std::optional<platform::ui::Color> initWithHexString(std::string_view text, double alpha) {
    return colorOf(text, alpha);
}
