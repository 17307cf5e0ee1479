#pragma once
// The backdrop of a masked FNHUD: it takes every click on it and does nothing with it, so
// nothing behind it is reached. Main thread only.

#include "platform/ui/View.h"

class HUDNoMouseView : public platform::ui::View {
  public:
    explicit HUDNoMouseView(platform::ui::Rect frame = {}) : View(frame) {}
    std::string className() const override { return "HUDNoMouseView"; }
    void mouseDown(const platform::ui::Event& /*event*/) override {}
};
