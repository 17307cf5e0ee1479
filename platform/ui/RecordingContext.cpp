#include "platform/ui/RecordingContext.h"

#include "platform/ui/Image.h"

namespace platform::ui {

void RecordingContext::doFill(const Path& path, FillRule rule) {
    operations_.push_back(
        {.kind = DrawOperation::Kind::Fill, .path = path, .rule = rule, .state = state()});
}

void RecordingContext::doStroke(const Path& path) {
    operations_.push_back({.kind = DrawOperation::Kind::Stroke, .path = path, .state = state()});
}

void RecordingContext::doFillRect(const Rect& rect, CompositingOperation op) {
    operations_.push_back(
        {.kind = DrawOperation::Kind::FillRect, .rect = rect, .op = op, .state = state()});
}

void RecordingContext::doDrawText(const AttributedString& text, const Rect& rect) {
    operations_.push_back(
        {.kind = DrawOperation::Kind::Text, .rect = rect, .text = text.string, .state = state()});
}

void RecordingContext::doDrawImage(const Image& image, const Rect& rect, double alpha) {
    operations_.push_back({.kind = DrawOperation::Kind::Image,
                           .rect = rect,
                           .text = image.name(),
                           .imageAlpha = alpha,
                           .state = state()});
}

}  // namespace platform::ui
