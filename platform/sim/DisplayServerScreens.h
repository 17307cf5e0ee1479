#pragma once
// The interface's screens as the installed display server shows them: one screen per
// display outside a mirror set (a mirror set shows as its master), the main display (at
// the origin) first with the menu bar taken off its visible frame, frames converted from
// the server's top-down space to the interface's y-up space. Answers from any thread;
// every call reads the server afresh, so screens come and go with the displays.

#include "platform/ui/Screen.h"

namespace platform::sim {

class DisplayServerScreens final : public ui::ScreenSource {
  public:
    std::vector<ui::Screen> screens() const override;
};

}  // namespace platform::sim
