#include "platform/ui/Control.h"

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/TextMeasurement.h"

namespace platform::ui {

bool Control::sendAction() {
    if (!enabled_ || !action_) return false;
    auto self = weak_from_this().lock();  // the action may drop the control's last other owner
    Action action = action_;
    action(*this);
    return true;
}

void drawTextCentredVertically(GraphicsContext& context, const AttributedString& text,
                               const Rect& rect, bool flipped) {
    if (text.string.empty() || rect.isEmpty()) return;
    Rect needed =
        boundingRectOfText(text.string, rect.size, UsesLineFragmentOrigin, text.attributes);
    double height = std::min(needed.height(), rect.height());
    double inset = (rect.height() - height) / 2;
    // The text rectangle, of the text's height, in the middle of `rect`.
    Rect area{rect.minX(), flipped ? rect.minY() + inset : rect.minY() + inset, rect.width(),
              height};
    context.drawText(text, area);
}

}  // namespace platform::ui
