#include "platform/ui/TextLayer.h"

#include "platform/ui/GraphicsContext.h"

namespace platform::ui {

AttributedString TextLayer::attributedString() const {
    TextAttributes attributes;
    attributes.font = font_.withSize(fontSize_);
    attributes.foregroundColor = foreground_;
    attributes.paragraphStyle = ParagraphStyle{0, alignment_};
    return AttributedString(string_, attributes);
}

void TextLayer::drawInContext(GraphicsContext& context) {
    if (string_.empty()) return;
    Rect area = bounds();
    if (!wrapped_) area.size.width = std::max(area.size.width, 1e6);  // one line per line break
    if (!wrapped_ && alignment_ != TextAlignment::Left && alignment_ != TextAlignment::Natural)
        area = bounds();
    context.drawText(attributedString(), area);
}

}  // namespace platform::ui
