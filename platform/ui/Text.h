#pragma once
// A text view for status lines: string, font, colours, alignment, and size to fit (the
// frame takes the text's size). Draws its text from the top of its bounds. Main thread.

#include "platform/ui/AttributedString.h"
#include "platform/ui/View.h"

namespace platform::ui {

class Text : public View {
  public:
    explicit Text(Rect frame = {}) : View(frame) {}
    std::string className() const override { return "Text"; }

    const std::string& string() const { return string_; }
    void setString(std::string text) {
        string_ = std::move(text);
        setNeedsDisplay();
    }
    const Font& font() const { return font_; }
    void setFont(const Font& font) {
        font_ = font;
        setNeedsDisplay();
    }
    const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& color) {
        textColor_ = color;
        setNeedsDisplay();
    }
    const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<Color> color) {
        backgroundColor_ = color;
        setNeedsDisplay();
    }
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool draws) { drawsBackground_ = draws; }
    TextAlignment alignment() const { return alignment_; }
    void setAlignment(TextAlignment alignment) {
        alignment_ = alignment;
        setNeedsDisplay();
    }
    bool isEditable() const { return editable_; }
    void setEditable(bool editable) { editable_ = editable; }
    bool isSelectable() const { return selectable_; }
    void setSelectable(bool selectable) { selectable_ = selectable; }

    AttributedString attributedString() const;
    void sizeToFit();
    void drawRect(const Rect& dirtyRect, GraphicsContext& context) override;

  private:
    std::string string_;
    Font font_ = Font::systemFont(12);
    Color textColor_ = Color::blackColor();
    std::optional<Color> backgroundColor_;
    bool drawsBackground_ = true;
    TextAlignment alignment_ = TextAlignment::Natural;
    bool editable_ = true;
    bool selectable_ = true;
};

}  // namespace platform::ui
