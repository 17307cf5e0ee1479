#pragma once
// A picture button that lights up while the mouse is over it: "jiaozhengpingmuHover" on
// entering (only while enabled), "jiaozhengpingmu" with the pressed picture
// "jiaozhengpingmuClick" on leaving. Picture names go through the localised-string lookup,
// so a language may name its own pictures. Main thread only.

#include "platform/ui/Button.h"

class TavroCustomButton : public platform::ui::Button {
  public:
    explicit TavroCustomButton(platform::ui::Rect frame = {}) : Button(frame) {}
    std::string className() const override { return "TavroCustomButton"; }

    void mouseEntered(const platform::ui::Event& event) override;
    void mouseExited(const platform::ui::Event& event) override;
    void updateTrackingAreas() override;
};
