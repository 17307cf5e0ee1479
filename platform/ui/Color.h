#pragma once
// Colours in device RGB with alpha, components 0...1. Value type; safe on any thread.

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform::ui {

struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 0;

    static Color rgb(double r, double g, double b, double a = 1.0) { return {r, g, b, a}; }
    static Color withWhite(double level, double a) { return {level, level, level, a}; }
    static Color blackColor() { return {0, 0, 0, 1}; }
    static Color whiteColor() { return {1, 1, 1, 1}; }
    static Color blueColor() { return {0, 0, 1, 1}; }
    static Color grayColor() { return {0.5, 0.5, 0.5, 1}; }
    static Color clearColor() { return {0, 0, 0, 0}; }
    // Hexadecimal digits and nothing else: six are red, green and blue at full alpha, eight
    // add an alpha byte; any other text gives no colour. Every hexadecimal colour text of
    // the interface is read through this one reader, whatever it strips around the digits.
    static std::optional<Color> fromHexDigits(std::string_view digits);

    Color withAlpha(double a) const { return {red, green, blue, a}; }
    // 0xAARRGGBB, each component rounded to 8 bits.
    uint32_t argb32() const;

    bool operator==(const Color&) const = default;
};

}  // namespace platform::ui
