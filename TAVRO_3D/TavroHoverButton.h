#pragma once
// The exit screen's button: blue with white text while the mouse is over it, light grey with
// black text otherwise, with round corners. Main thread only.

#include "platform/ui/Button.h"

class TavroHoverButton : public platform::ui::Button {
  public:
    explicit TavroHoverButton(platform::ui::Rect frame = {}) : Button(frame) {}
    std::string className() const override { return "TavroHoverButton"; }

    void drawRect(const platform::ui::Rect& dirtyRect,
                  platform::ui::GraphicsContext& context) override;
    void updateTrackingAreas() override;
    void mouseEntered(const platform::ui::Event& event) override;
    void mouseExited(const platform::ui::Event& event) override;

    // The two looks, also applied by the exit screen as the mouse moves over it.
    void showHoverLook();
    void showNormalLook();
};
