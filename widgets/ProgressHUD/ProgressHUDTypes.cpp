#include "widgets/ProgressHUD/ProgressHUDTypes.h"

using platform::ui::Color;

Color ProgressHUDStyle::contentColor() const {
    switch (kind) {
        case Kind::light:
            return Color::blackColor();
        case Kind::dark:
            return Color::withWhite(0.95, 1.0);
        case Kind::custom:
            return foreground;
    }
    return Color::blackColor();
}

Color ProgressHUDStyle::boxColor(double opacity) const {
    switch (kind) {
        case Kind::light:
            return Color::whiteColor().withAlpha(opacity);
        case Kind::dark:
            return Color::blackColor().withAlpha(opacity);
        case Kind::custom:
            return backgroud.withAlpha(opacity);
    }
    return Color::whiteColor().withAlpha(opacity);
}
