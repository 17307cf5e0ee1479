#include "platform/ui/Color.h"

#include <algorithm>
#include <cmath>

namespace platform::ui {

namespace {
uint32_t byte(double component) {
    return static_cast<uint32_t>(std::lround(std::clamp(component, 0.0, 1.0) * 255.0));
}
}  // namespace

uint32_t Color::argb32() const {
    return byte(alpha) << 24 | byte(red) << 16 | byte(green) << 8 | byte(blue);
}

}  // namespace platform::ui
