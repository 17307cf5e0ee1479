#include "widgets/Toast/ToastStyle.h"

#include "widgets/ColorFromHex.h"

using platform::ui::Color;

Color Style::textColor() const {
    return initWithHexString("#FFFFFF", 0.8).value_or(Color::whiteColor());
}

Color DefaultStyle::backgroundColor() const {
    return initWithHexString("#5C5C5C", 1.0).value_or(Color::grayColor());
}

const IndicatorStyle& sharedIndicatorStyle() {
    static const IndicatorStyle style;
    return style;
}
