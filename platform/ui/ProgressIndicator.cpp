#include "platform/ui/ProgressIndicator.h"

#include <cmath>
#include <numbers>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Layer.h"

namespace platform::ui {

void ProgressIndicator::setDoubleValue(double value) {
    value_ = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
    setNeedsDisplay();
}

double ProgressIndicator::fraction() const {
    if (max_ <= min_) return 0;
    return std::clamp((value_ - min_) / (max_ - min_), 0.0, 1.0);
}

void ProgressIndicator::drawRect(const Rect&, GraphicsContext& context) {
    if (!animating_ && !displayedWhenStopped_ &&
        (indeterminate_ || style_ == ProgressIndicatorStyle::Spinning))
        return;
    if (style_ == ProgressIndicatorStyle::Bar)
        drawBar(context);
    else
        drawSpinner(context);
}

void ProgressIndicator::drawBar(GraphicsContext& context) {
    Rect track = bounds();
    double height = std::min(track.height(), 6.0);
    track = {track.minX(), track.midY() - height / 2, track.width(), height};
    context.saveGState();
    context.setFillColor(Color::withWhite(0.85, 1));
    context.fill(Path::roundedRect(track, height / 2));
    double share = indeterminate_ ? 1.0 : fraction();
    if (share > 0) {
        context.setFillColor(indeterminate_ ? tint_.withAlpha(0.4) : tint_);
        context.fill(Path::roundedRect(
            {track.minX(), track.minY(), track.width() * share, track.height()}, height / 2));
    }
    context.restoreGState();
}

void ProgressIndicator::drawSpinner(GraphicsContext& context) {
    Rect area = bounds();
    double side = std::min(area.width(), area.height());
    Point centre{area.midX(), area.midY()};
    constexpr double pi = std::numbers::pi;
    context.saveGState();
    if (!indeterminate_) {
        double radius = side / 2 - 1;
        context.setStrokeColor(tint_);
        context.setLineWidth(1.5);
        Path ring;
        ring.addEllipseInRect({centre.x - radius, centre.y - radius, 2 * radius, 2 * radius});
        context.stroke(ring);
        if (fraction() > 0) {
            Path pie;
            pie.moveTo(centre);
            pie.addArc(centre, radius - 2, pi / 2, pi / 2 - 2 * pi * fraction(), true);
            pie.closeSubpath();
            context.setFillColor(tint_);
            context.fill(pie);
        }
        context.restoreGState();
        return;
    }
    constexpr int fins = 12;
    int lit =
        animating_ ? static_cast<int>(std::floor(Layer::currentMediaTime() / 0.08)) % fins : 0;
    context.setLineCap(LineCap::Round);
    context.setLineWidth(std::max(1.0, side * 0.09));
    const Color finColor = tintSet_ ? tint_ : Color::withWhite(0.2, 1.0);
    for (int i = 0; i < fins; ++i) {
        double angle = pi / 2 - i * 2 * pi / fins;
        int age = ((lit - i) % fins + fins) % fins;
        context.setStrokeColor(
            finColor.withAlpha(finColor.alpha * (animating_ ? 1.0 - age * 0.07 : 0.4)));
        Path fin;
        fin.moveTo(
            {centre.x + std::cos(angle) * side * 0.22, centre.y + std::sin(angle) * side * 0.22});
        fin.lineTo(
            {centre.x + std::cos(angle) * side * 0.45, centre.y + std::sin(angle) * side * 0.45});
        context.stroke(fin);
    }
    context.restoreGState();
}

}  // namespace platform::ui
