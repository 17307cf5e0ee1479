#pragma once
// The window class of a privacy overlay: a plain window whose level, colour, opacity and
// screen are its creator's to set. Main thread only.

#include "platform/ui/Window.h"

enum class BackingStoreType { Retained, Nonretained, Buffered };

class PrivacyOverlayWindow : public platform::ui::Window {
  public:
    // The backing store and the deferral belong to the window server; here every window
    // is drawn on demand, so both are accepted and have no effect.
    static std::shared_ptr<PrivacyOverlayWindow> initWithContentRect(
        const platform::ui::Rect& contentRect, unsigned styleMask, BackingStoreType backing,
        bool defer);

    PrivacyOverlayWindow(const platform::ui::Rect& contentRect, unsigned styleMask)
        : Window(contentRect, styleMask, std::nullopt) {}
};
