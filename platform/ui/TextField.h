#pragma once
// A text field: a plain or attributed string, font, text and background colours,
// editable, selectable, bordered, alignment, size to fit, and a formatter that vets typed
// text. An editable field that is first responder takes typed characters (backspace
// deletes, return sends the action). Labels are fields that are neither editable nor
// draw a background. Main thread only.

#include <memory>
#include <optional>

#include "platform/ui/Control.h"
#include "platform/ui/Formatter.h"

namespace platform::ui {

class TextField : public Control {
  public:
    explicit TextField(Rect frame = {}) : Control(frame) {}
    // A non-editable, background-free field: what interfaces use as labels.
    static std::shared_ptr<TextField> label(std::string text, Rect frame = {});
    std::string className() const override { return "TextField"; }

    const std::string& stringValue() const { return string_; }
    // Setting the plain string drops an attributed one.
    void setStringValue(std::string text);
    const std::optional<AttributedString>& attributedStringValue() const { return attributed_; }
    void setAttributedStringValue(AttributedString text);
    // What is shown: the attributed string, or the plain one with the field's attributes.
    AttributedString displayedString() const;

    const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& color) {
        textColor_ = color;
        setNeedsDisplay();
    }
    const Color& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const Color& color) {
        backgroundColor_ = color;
        setNeedsDisplay();
    }
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool draws) {
        drawsBackground_ = draws;
        setNeedsDisplay();
    }
    bool isEditable() const { return editable_; }
    void setEditable(bool editable) { editable_ = editable; }
    bool isSelectable() const { return selectable_ || editable_; }
    void setSelectable(bool selectable) { selectable_ = selectable; }
    bool isBordered() const { return bordered_; }
    void setBordered(bool bordered) {
        bordered_ = bordered;
        setNeedsDisplay();
    }
    const std::string& placeholderString() const { return placeholder_; }
    void setPlaceholderString(std::string text) { placeholder_ = std::move(text); }
    const std::shared_ptr<Formatter>& formatter() const { return formatter_; }
    void setFormatter(std::shared_ptr<Formatter> formatter) { formatter_ = std::move(formatter); }

    // Resizes the frame to the text (plus the field's margins), keeping the origin.
    void sizeToFit();

    void drawRect(const Rect& dirtyRect, GraphicsContext& context) override;
    bool acceptsFirstResponder() const override { return isSelectable(); }
    void keyDown(const Event& event) override;

  private:
    static constexpr double kMargin = 2;
    std::string string_;
    std::optional<AttributedString> attributed_;
    Color textColor_ = Color::blackColor();
    Color backgroundColor_ = Color::whiteColor();
    bool drawsBackground_ = true;
    bool editable_ = true;
    bool selectable_ = true;
    bool bordered_ = false;
    std::string placeholder_;
    std::shared_ptr<Formatter> formatter_;
};

}  // namespace platform::ui
