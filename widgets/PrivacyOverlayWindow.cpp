#include "widgets/PrivacyOverlayWindow.h"

std::shared_ptr<PrivacyOverlayWindow> PrivacyOverlayWindow::initWithContentRect(
    const platform::ui::Rect& contentRect, unsigned styleMask, BackingStoreType /*backing*/,
    bool /*defer*/) {
    return std::make_shared<PrivacyOverlayWindow>(contentRect, styleMask);
}
