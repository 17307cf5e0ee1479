#pragma once
// A flipped view: its subviews are laid out from the top edge down. Main thread only.

#include "platform/ui/View.h"

class TopAlignedView : public platform::ui::View {
  public:
    explicit TopAlignedView(platform::ui::Rect frame = {}) : View(frame) {}
    std::string className() const override { return "TopAlignedView"; }
    bool isFlipped() const override { return true; }
};
