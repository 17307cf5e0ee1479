#include "platform/ui/TextField.h"

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/TextMeasurement.h"

namespace platform::ui {

std::shared_ptr<TextField> TextField::label(std::string text, Rect frame) {
    auto field = std::make_shared<TextField>(frame);
    field->setEditable(false);
    field->setSelectable(false);
    field->setDrawsBackground(false);
    field->setStringValue(std::move(text));
    return field;
}

void TextField::setStringValue(std::string text) {
    string_ = std::move(text);
    attributed_.reset();
    setNeedsDisplay();
}

void TextField::setAttributedStringValue(AttributedString text) {
    string_ = text.string;
    attributed_ = std::move(text);
    setNeedsDisplay();
}

AttributedString TextField::displayedString() const {
    if (attributed_) {
        AttributedString shown = *attributed_;
        if (!shown.attributes.font) shown.attributes.font = font();
        if (!shown.attributes.foregroundColor) shown.attributes.foregroundColor = textColor_;
        return shown;
    }
    TextAttributes attributes;
    attributes.font = font();
    attributes.foregroundColor = textColor_;
    attributes.paragraphStyle = ParagraphStyle{0, alignment()};
    return AttributedString(string_, attributes);
}

void TextField::sizeToFit() {
    AttributedString shown = displayedString();
    Rect needed =
        boundingRectOfText(shown.string, {1e6, 1e6}, UsesLineFragmentOrigin, shown.attributes);
    double border = bordered_ ? 2 : 0;
    setFrameSize({std::ceil(needed.width() + 2 * kMargin + 2 * border),
                  std::ceil(needed.height() + 2 * border)});
}

void TextField::drawRect(const Rect&, GraphicsContext& context) {
    Rect area = bounds();
    if (drawsBackground_) {
        context.saveGState();
        context.setFillColor(backgroundColor_);
        context.fillRect(area);
        context.restoreGState();
    }
    if (bordered_) {
        context.saveGState();
        context.setStrokeColor(Color::withWhite(0.6, 1));
        Path border;
        border.addRect(area.insetBy(0.5, 0.5));
        context.stroke(border);
        context.restoreGState();
        area = area.insetBy(2, 2);
    }
    AttributedString shown = displayedString();
    if (shown.string.empty() && !placeholder_.empty()) {
        shown.string = placeholder_;
        shown.attributes.foregroundColor = Color::withWhite(0.6, 1);
    }
    if (shown.string.empty()) return;
    // Text starts at the top of the field, inside its margins.
    Rect textArea = area.insetBy(kMargin, 0);
    context.drawText(shown, textArea);
}

void TextField::keyDown(const Event& event) {
    if (!editable_ || !isEnabled()) return Control::keyDown(event);
    std::string candidate = string_;
    if (event.characters == "\r" || event.characters == "\n") {
        sendAction();
        return;
    }
    if (event.characters == "\x7f" || event.characters == "\b") {
        // Drop one UTF-8 character.
        while (!candidate.empty() && (static_cast<unsigned char>(candidate.back()) & 0xC0) == 0x80)
            candidate.pop_back();
        if (!candidate.empty()) candidate.pop_back();
    } else {
        candidate += event.characters;
    }
    if (formatter_) {
        std::string proposed;
        if (!formatter_->isPartialStringValid(candidate, &proposed, nullptr)) {
            if (proposed.empty()) return;
            candidate = proposed;
        }
    }
    setStringValue(candidate);
}

}  // namespace platform::ui
