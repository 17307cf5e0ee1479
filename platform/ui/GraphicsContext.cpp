#include "platform/ui/GraphicsContext.h"

namespace platform::ui {

void GraphicsContext::saveGState() {
    saved_.push_back(state_);
}

void GraphicsContext::restoreGState() {
    if (saved_.empty()) return;
    state_ = std::move(saved_.back());
    saved_.pop_back();
}

void GraphicsContext::translate(double dx, double dy) {
    concat(AffineTransform::translation(dx, dy));
}

void GraphicsContext::scale(double sx, double sy) {
    concat(AffineTransform::scale(sx, sy));
}

void GraphicsContext::rotate(double radians) {
    concat(AffineTransform::rotation(radians));
}

void GraphicsContext::concat(const AffineTransform& transform) {
    // A new transform acts on user space first, then on what the context had.
    state_.ctm = transform.concat(state_.ctm);
}

void GraphicsContext::clipToRect(const Rect& rect) {
    Point a = state_.ctm.apply({rect.minX(), rect.minY()});
    Point b = state_.ctm.apply({rect.maxX(), rect.maxY()});
    Rect device{std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y)};
    state_.clips.push_back(device);
}

void GraphicsContext::fillPath(FillRule rule) {
    Path path = std::move(path_);
    path_ = Path();
    doFill(path, rule);
}

void GraphicsContext::strokePath() {
    Path path = std::move(path_);
    path_ = Path();
    doStroke(path);
}

}  // namespace platform::ui
