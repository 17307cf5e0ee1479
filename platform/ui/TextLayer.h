#pragma once
// A layer that draws a text: string, font and font size, alignment, foreground colour,
// wrapping. The text starts at the top edge of the bounds. Main thread only.

#include <string>

#include "platform/ui/AttributedString.h"
#include "platform/ui/Layer.h"

namespace platform::ui {

class TextLayer : public Layer {
  public:
    static std::shared_ptr<TextLayer> make() { return std::make_shared<TextLayer>(); }

    const std::string& string() const { return string_; }
    void setString(std::string text) {
        string_ = std::move(text);
        setNeedsDisplay();
    }
    // The family and weight come from the font; the size from fontSize.
    const Font& font() const { return font_; }
    void setFont(const Font& font) {
        font_ = font;
        setNeedsDisplay();
    }
    double fontSize() const { return fontSize_; }
    void setFontSize(double size) {
        fontSize_ = size;
        setNeedsDisplay();
    }
    TextAlignment alignmentMode() const { return alignment_; }
    void setAlignmentMode(TextAlignment alignment) {
        alignment_ = alignment;
        setNeedsDisplay();
    }
    const Color& foregroundColor() const { return foreground_; }
    void setForegroundColor(const Color& color) {
        foreground_ = color;
        setNeedsDisplay();
    }
    bool isWrapped() const { return wrapped_; }
    void setWrapped(bool wrapped) {
        wrapped_ = wrapped;
        setNeedsDisplay();
    }

    // The text with the layer's attributes, as drawn.
    AttributedString attributedString() const;
    void drawInContext(GraphicsContext& context) override;

  private:
    std::string string_;
    Font font_ = Font::systemFont(36);
    double fontSize_ = 36;
    TextAlignment alignment_ = TextAlignment::Natural;
    Color foreground_ = Color::whiteColor();
    bool wrapped_ = false;
};

}  // namespace platform::ui
