#include "TAVRO_3D/TavroHoverButton.h"

#include "platform/foundation/AssertMainThread.h"
#include "widgets/ColorFromHex.h"
#include "widgets/HoverTrackingArea.h"

namespace ui = platform::ui;

void TavroHoverButton::drawRect(const ui::Rect& dirtyRect, ui::GraphicsContext& context) {
    Button::drawRect(dirtyRect, context);
    if (wantsLayer()) layer().setCornerRadius(3.0);
}

void TavroHoverButton::updateTrackingAreas() {
    TAVRO_ASSERT_MAIN_THREAD();
    updateHoverTrackingArea(*this);
}

void TavroHoverButton::mouseEntered(const ui::Event& /*event*/) {
    TAVRO_ASSERT_MAIN_THREAD();
    showHoverLook();
}

void TavroHoverButton::mouseExited(const ui::Event& /*event*/) {
    TAVRO_ASSERT_MAIN_THREAD();
    showNormalLook();
}

void TavroHoverButton::showHoverLook() {
    TAVRO_ASSERT_MAIN_THREAD();
    setWantsLayer(true);
    layer().setBackgroundColor(ui::Color::blueColor().withAlpha(0.6));
    setContentTintColor(ui::Color::whiteColor());
}

void TavroHoverButton::showNormalLook() {
    TAVRO_ASSERT_MAIN_THREAD();
    setWantsLayer(true);
    layer().setBackgroundColor(initWithHexString("#e7e9e7"));
    setContentTintColor(ui::Color::blackColor());
}
