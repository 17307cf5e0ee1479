#include "widgets/SpinningProgressIndicatorLayer.h"

#include <algorithm>
#include <numbers>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Transaction.h"

using namespace platform::ui;

SpinningProgressIndicatorLayer::~SpinningProgressIndicatorLayer() {
    foreColor.reset();
    {
        ScopedTransaction noActions;
        for (const LayerPtr& fin : finLayers_) fin->setBackgroundColor(std::nullopt);
    }
    isRunning = false;
    if (animationTimer) animationTimer->cancel();
    animationTimer.reset();
    for (const LayerPtr& fin : finLayers_) fin->removeFromSuperlayer();
}

void SpinningProgressIndicatorLayer::setFinLayers(std::vector<LayerPtr> fins) {
    for (const LayerPtr& fin : finLayers_) fin->removeFromSuperlayer();
    finLayers_ = std::move(fins);
    for (const LayerPtr& fin : finLayers_) addSublayer(fin);
    fposition = 0;
    layoutFins();
}

void SpinningProgressIndicatorLayer::advancePosition() {
    // Without fins there is nothing to light (and no index to step to).
    if (finLayers_.empty()) return;
    fposition = fposition + 1 >= numFins() || fposition < 0 ? 0 : fposition + 1;
    const LayerPtr& fin = finLayers_[static_cast<size_t>(fposition)];
    {
        ScopedTransaction noActions;
        fin->setOpacity(1.0);
    }
    fin->setOpacity(fadeDownOpacity);
    setNeedsDisplay();
}

void SpinningProgressIndicatorLayer::setBounds(const Rect& newBounds) {
    Layer::setBounds(newBounds);
    layoutFins();
}

void SpinningProgressIndicatorLayer::layoutFins() {
    const Rect& b = bounds();
    const double s = std::min(b.width(), b.height());
    ScopedTransaction noActions;
    for (const LayerPtr& fin : finLayers_) {
        fin->setBounds({0, 0, s * 0.095, s * 0.3});
        // The fin stands outside the centre, at 0.9 of the room left beside it.
        fin->setAnchorPoint({0.5, s > 0 ? -0.9 * (s - s * 0.3) / s : -0.63});
        fin->setPosition({b.width() * 0.5, b.height() * 0.5});
        fin->setCornerRadius(s * 0.095 * 0.5);
    }
}

void SpinningProgressIndicatorLayer::drawInContext(GraphicsContext& context) {
    const Rect& b = bounds();
    context.clearRect(b);
    if (!_isDeterminate) {
        Layer::drawInContext(context);
        return;
    }
    // The ring and the pie need a colour; a pie also needs a maximum to measure against.
    if (!foreColor) return;
    const double s = std::min(b.width(), b.height());
    const double lineWidth = s * 0.01 + 1.0;
    const Point centre{b.width() * 0.5, b.height() * 0.5};
    const double outer = (s - lineWidth) / 2.1;
    context.setFillColor(*foreColor);
    context.setStrokeColor(*foreColor);
    context.setLineWidth(lineWidth);
    context.beginPath();
    context.moveTo({centre.x + outer, centre.y});
    context.addEllipseInRect({centre.x - outer, centre.y - outer, 2 * outer, 2 * outer});
    context.closePath();
    context.strokePath();
    if (_doubleValue > 0 && maxValue > 0) {
        const double inner = outer - 2 * lineWidth;
        const double start = std::numbers::pi / 2;
        context.beginPath();
        context.moveTo(centre);
        context.addLineTo({centre.x, centre.y + inner});
        context.addArc(centre, inner, start,
                       start - 2 * std::numbers::pi * (_doubleValue / maxValue), true);
        context.closePath();
        context.fillPath(FillRule::NonZero);
    }
}
