#pragma once
// A text with one set of attributes for the whole string: font, colours and a paragraph
// style. The interface only ever styles whole strings, so runs are not needed. Value type.

#include <optional>
#include <string>

#include "platform/ui/Color.h"
#include "platform/ui/Font.h"

namespace platform::ui {

enum class TextAlignment { Left, Right, Center, Justified, Natural };

struct ParagraphStyle {
    double lineSpacing = 0;
    TextAlignment alignment = TextAlignment::Natural;
    bool operator==(const ParagraphStyle&) const = default;
};

struct TextAttributes {
    std::optional<Font> font;
    std::optional<Color> foregroundColor;
    std::optional<Color> backgroundColor;
    std::optional<ParagraphStyle> paragraphStyle;
    bool operator==(const TextAttributes&) const = default;
};

struct AttributedString {
    std::string string;
    TextAttributes attributes;

    AttributedString() = default;
    explicit AttributedString(std::string s, TextAttributes a = {})
        : string(std::move(s)), attributes(std::move(a)) {}
    size_t length() const { return string.size(); }
    bool operator==(const AttributedString&) const = default;
};

}  // namespace platform::ui
