#include "platform/ui/Text.h"

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/TextMeasurement.h"

namespace platform::ui {

AttributedString Text::attributedString() const {
    TextAttributes attributes;
    attributes.font = font_;
    attributes.foregroundColor = textColor_;
    attributes.paragraphStyle = ParagraphStyle{0, alignment_};
    return AttributedString(string_, attributes);
}

void Text::sizeToFit() {
    setFrameSize(string_.empty() ? Size{} : sizeOfText(string_, font_));
}

void Text::drawRect(const Rect&, GraphicsContext& context) {
    if (drawsBackground_ && backgroundColor_ && backgroundColor_->alpha > 0) {
        context.saveGState();
        context.setFillColor(*backgroundColor_);
        context.fillRect(bounds());
        context.restoreGState();
    }
    if (!string_.empty()) context.drawText(attributedString(), bounds());
}

}  // namespace platform::ui
