#include "widgets/TavroCustomButton.h"

#include "platform/foundation/Bundle.h"
#include "widgets/HoverTrackingArea.h"

namespace {

platform::ui::ImagePtr localizedImage(const std::string& name) {
    return platform::ui::Image::named(platform::foundation::localizedString(name));
}

}  // namespace

void TavroCustomButton::mouseEntered(const platform::ui::Event& /*event*/) {
    if (isEnabled()) setImage(localizedImage("jiaozhengpingmuHover"));
}

void TavroCustomButton::mouseExited(const platform::ui::Event& /*event*/) {
    setImage(localizedImage("jiaozhengpingmu"));
    setAlternateImage(localizedImage("jiaozhengpingmuClick"));
}

void TavroCustomButton::updateTrackingAreas() {
    updateHoverTrackingArea(*this);
}
