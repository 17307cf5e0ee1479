#include "platform/ui/Button.h"

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/TextMeasurement.h"

namespace platform::ui {

bool Button::flipsState() const {
    return type_ == ButtonType::PushOnPushOff || type_ == ButtonType::Toggle ||
           type_ == ButtonType::Switch || type_ == ButtonType::Radio;
}

bool Button::containsWindowPoint(Point pointInWindow) const {
    return mouseInRect(convertPointFromView(pointInWindow, nullptr), bounds());
}

void Button::performClick() {
    if (!isEnabled()) return;
    if (flipsState()) setState(state_ == StateOn ? StateOff : StateOn);
    sendAction();
}

void Button::mouseDown(const Event&) {
    if (!isEnabled()) return;
    highlighted_ = true;
    setNeedsDisplay();
    if (sendActionOnMask() & eventMask(EventType::LeftMouseDown)) sendAction();
}

void Button::mouseDragged(const Event& event) {
    bool inside = containsWindowPoint(event.locationInWindow);
    if (inside != highlighted_) {
        highlighted_ = inside && isEnabled();
        setNeedsDisplay();
    }
}

void Button::mouseUp(const Event& event) {
    bool wasHighlighted = highlighted_;
    highlighted_ = false;
    setNeedsDisplay();
    if (!isEnabled() || !wasHighlighted || !containsWindowPoint(event.locationInWindow)) return;
    if (flipsState()) setState(state_ == StateOn ? StateOff : StateOn);
    if (sendActionOnMask() & eventMask(EventType::LeftMouseUp)) sendAction();
}

void Button::rightMouseDown(const Event& event) {
    if (sendActionOnMask() & eventMask(EventType::RightMouseDown)) {
        if (isEnabled()) sendAction();
        return;
    }
    if (!(sendActionOnMask() & eventMask(EventType::RightMouseUp))) Control::rightMouseDown(event);
}

void Button::rightMouseUp(const Event& event) {
    if (sendActionOnMask() & eventMask(EventType::RightMouseUp)) {
        if (isEnabled() && containsWindowPoint(event.locationInWindow)) sendAction();
        return;
    }
    Control::rightMouseUp(event);
}

void Button::drawRect(const Rect&, GraphicsContext& context) {
    Rect area = bounds();
    bool hasLayerLook = layer().backgroundColor().has_value();
    if (bordered_ && !hasLayerLook) {
        Path bezel = Path::roundedRect(area.insetBy(0.5, 0.5),
                                       std::min(5.0, std::min(area.width(), area.height()) / 2));
        context.saveGState();
        context.setFillColor(highlighted_ ? Color::withWhite(0.82, 1) : Color::withWhite(0.96, 1));
        context.fill(bezel);
        context.setStrokeColor(Color::withWhite(0.7, 1));
        context.stroke(bezel);
        context.restoreGState();
    }
    bool alternate = alternateImage_ && (highlighted_ || (flipsState() && state_ == StateOn));
    const ImagePtr& shown = alternate ? alternateImage_ : image_;
    Size textSize = title_.empty() ? Size{} : sizeOfText(title_, font());
    double gap = shown && !title_.empty() ? 4 : 0;
    double imageWidth = 0;
    if (shown) {
        Size s = shown->size();
        double scale = std::min(
            {1.0, area.width() / std::max(s.width, 1.0), area.height() / std::max(s.height, 1.0)});
        Size drawn{s.width * scale, s.height * scale};
        imageWidth = drawn.width;
        double x = area.midX() - (drawn.width + gap + textSize.width) / 2;
        Rect imageRect{x, area.midY() - drawn.height / 2, drawn.width, drawn.height};
        context.drawImage(*shown, imageRect, isEnabled() ? 1.0 : 0.5);
    }
    if (!title_.empty()) {
        TextAttributes attributes;
        attributes.font = font();
        Color tint = tint_.value_or(Color::blackColor());
        attributes.foregroundColor = isEnabled() ? tint : tint.withAlpha(tint.alpha * 0.4);
        attributes.paragraphStyle = ParagraphStyle{0, TextAlignment::Center};
        double left = shown
                          ? area.midX() - (imageWidth + gap + textSize.width) / 2 + imageWidth + gap
                          : area.minX();
        Rect textRect = shown ? Rect{left, area.minY(), textSize.width + 1, area.height()} : area;
        drawTextCentredVertically(context, AttributedString(title_, attributes), textRect,
                                  isFlipped());
    }
}

}  // namespace platform::ui
