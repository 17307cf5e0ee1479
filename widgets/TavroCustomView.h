#pragma once
// A plain view with a selection flag for the interface descriptions to use; the flag has
// no behaviour of its own. Main thread only.

#include "platform/ui/View.h"

class TavroCustomView : public platform::ui::View {
  public:
    explicit TavroCustomView(platform::ui::Rect frame = {}) : View(frame) {}
    std::string className() const override { return "TavroCustomView"; }

    bool selected = false;
};
