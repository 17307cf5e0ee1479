#pragma once
// A push button: title, image and alternate image, on/off state (toggle buttons flip it
// when clicked), bordered bezel, content tint colour for the title. A click sends the
// action on mouse-up inside the button; a right click sends it when the send-action mask
// includes right-mouse-up. Main thread only.

#include "platform/ui/Control.h"
#include "platform/ui/Image.h"

namespace platform::ui {

enum class ButtonType { MomentaryPushIn, PushOnPushOff, Toggle, Switch, Radio, MomentaryChange };
enum ControlState : int { StateOff = 0, StateOn = 1, StateMixed = -1 };

class Button : public Control {
  public:
    explicit Button(Rect frame = {}) : Control(frame) { setAlignment(TextAlignment::Center); }
    std::string className() const override { return "Button"; }

    const std::string& title() const { return title_; }
    void setTitle(std::string title) {
        title_ = std::move(title);
        setNeedsDisplay();
    }
    const ImagePtr& image() const { return image_; }
    void setImage(ImagePtr image) {
        image_ = std::move(image);
        setNeedsDisplay();
    }
    const ImagePtr& alternateImage() const { return alternateImage_; }
    void setAlternateImage(ImagePtr image) {
        alternateImage_ = std::move(image);
        setNeedsDisplay();
    }
    int state() const { return state_; }
    void setState(int state) {
        state_ = state;
        setNeedsDisplay();
    }
    ButtonType buttonType() const { return type_; }
    void setButtonType(ButtonType type) { type_ = type; }
    bool isBordered() const { return bordered_; }
    void setBordered(bool bordered) {
        bordered_ = bordered;
        setNeedsDisplay();
    }
    const std::optional<Color>& contentTintColor() const { return tint_; }
    void setContentTintColor(std::optional<Color> color) {
        tint_ = color;
        setNeedsDisplay();
    }
    bool isHighlighted() const { return highlighted_; }

    // A click in code: flips a toggle's state and sends the action.
    void performClick();

    void drawRect(const Rect& dirtyRect, GraphicsContext& context) override;
    void mouseDown(const Event& event) override;
    void mouseUp(const Event& event) override;
    void mouseDragged(const Event& event) override;
    void rightMouseDown(const Event& event) override;
    void rightMouseUp(const Event& event) override;

  private:
    bool flipsState() const;
    bool containsWindowPoint(Point pointInWindow) const;

    std::string title_;
    ImagePtr image_;
    ImagePtr alternateImage_;
    int state_ = StateOff;
    ButtonType type_ = ButtonType::MomentaryPushIn;
    bool bordered_ = true;
    std::optional<Color> tint_;
    bool highlighted_ = false;
};

}  // namespace platform::ui
