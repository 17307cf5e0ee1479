#pragma once
// The base of views that act on the user's behalf: enabled, tag, font and alignment, and
// target-action: the action (bound by name from a view description, or set in code) is
// sent on the events the send-action mask names. Main thread only.

#include <functional>

#include "platform/ui/AttributedString.h"
#include "platform/ui/View.h"

namespace platform::ui {

class Control : public View {
  public:
    using Action = std::function<void(Control& sender)>;

    explicit Control(Rect frame = {}) : View(frame) {}
    std::string className() const override { return "Control"; }

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) {
        enabled_ = enabled;
        setNeedsDisplay();
    }
    int tag() const override { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    const Font& font() const { return font_; }
    void setFont(const Font& font) {
        font_ = font;
        setNeedsDisplay();
    }
    TextAlignment alignment() const { return alignment_; }
    void setAlignment(TextAlignment alignment) {
        alignment_ = alignment;
        setNeedsDisplay();
    }

    void setAction(Action action) { action_ = std::move(action); }
    bool hasAction() const { return static_cast<bool>(action_); }
    // The events that send the action; left-mouse-up by default.
    EventMask sendActionOnMask() const { return sendActionOn_; }
    void sendActionOn(EventMask mask) { sendActionOn_ = mask; }
    // Sends the action now (when the control is enabled); answers whether one was sent.
    bool sendAction();

  private:
    bool enabled_ = true;
    int tag_ = 0;
    Font font_ = Font::systemFont(13);
    TextAlignment alignment_ = TextAlignment::Natural;
    Action action_;
    EventMask sendActionOn_ = eventMask(EventType::LeftMouseUp);
};

// Draws `text` inside `rect`, vertically centred when it is one line shorter than the
// rectangle, else from the top; shared by the text-showing controls.
void drawTextCentredVertically(GraphicsContext& context, const AttributedString& text,
                               const Rect& rect, bool flipped);

}  // namespace platform::ui
