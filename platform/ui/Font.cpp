#include "platform/ui/Font.h"

namespace platform::ui {

const char* Font::systemFamily() {
    return "DejaVu Sans";
}

Font Font::systemFont(double size, FontWeight weight) {
    return {systemFamily(), size, weight};
}

}  // namespace platform::ui
