// PainterContext: the graphics state of GraphicsContext applied to a QPainter on a QImage
// before every operation, so that save/restore never has to be mirrored in Qt.
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "platform/foundation/Assert.h"
#include "platform/ui/Image.h"
#include "platform/ui/PainterContext.h"
#include "platform/ui/QtSupport.h"

namespace platform::ui {

struct PainterContext::Impl {
    QImage canvas;
    QPainter painter;
    QTransform base;  // y-up points to pixels
};

namespace {

QTransform toQTransform(const AffineTransform& t) {
    return QTransform(t.a, t.b, t.c, t.d, t.tx, t.ty);
}

QPainterPath toQPath(const Path& path, FillRule rule) {
    QPainterPath q;
    q.setFillRule(rule == FillRule::NonZero ? Qt::WindingFill : Qt::OddEvenFill);
    const Path flat = path.flattened();  // kept alive for the loop
    for (const PathElement& e : flat.elements()) {
        switch (e.kind) {
            case PathElement::Kind::MoveTo:
                q.moveTo(e.point.x, e.point.y);
                break;
            case PathElement::Kind::LineTo:
                q.lineTo(e.point.x, e.point.y);
                break;
            case PathElement::Kind::CurveTo:
                q.cubicTo(e.control1.x, e.control1.y, e.control2.x, e.control2.y, e.point.x,
                          e.point.y);
                break;
            case PathElement::Kind::Close:
                q.closeSubpath();
                break;
            default:
                TAVRO_ASSERT(false, "a flattened path holds only moves, lines, curves and closes");
                break;
        }
    }
    return q;
}

QPainter::CompositionMode toQMode(CompositingOperation op) {
    switch (op) {
        case CompositingOperation::Clear:
            return QPainter::CompositionMode_Clear;
        case CompositingOperation::Copy:
            return QPainter::CompositionMode_Source;
        case CompositingOperation::SourceOver:
            return QPainter::CompositionMode_SourceOver;
        case CompositingOperation::SourceIn:
            return QPainter::CompositionMode_SourceIn;
        case CompositingOperation::SourceOut:
            return QPainter::CompositionMode_SourceOut;
        case CompositingOperation::SourceAtop:
            return QPainter::CompositionMode_SourceAtop;
        case CompositingOperation::DestinationOver:
            return QPainter::CompositionMode_DestinationOver;
        case CompositingOperation::DestinationIn:
            return QPainter::CompositionMode_DestinationIn;
        case CompositingOperation::DestinationOut:
            return QPainter::CompositionMode_DestinationOut;
        case CompositingOperation::DestinationAtop:
            return QPainter::CompositionMode_DestinationAtop;
        case CompositingOperation::Xor:
            return QPainter::CompositionMode_Xor;
        case CompositingOperation::PlusLighter:
            return QPainter::CompositionMode_Plus;
    }
    return QPainter::CompositionMode_SourceOver;
}

void applyState(QPainter& painter, const QTransform& base, const GraphicsState& state) {
    painter.setClipping(false);
    painter.setTransform(base);
    for (const Rect& clip : state.clips) {
        painter.setClipRect(QRectF(clip.origin.x, clip.origin.y, clip.size.width, clip.size.height),
                            Qt::IntersectClip);
    }
    painter.setTransform(toQTransform(state.ctm) * base);
    painter.setOpacity(std::clamp(state.alpha, 0.0, 1.0));
    painter.setCompositionMode(toQMode(state.compositing));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

// In a flipped space, text and images are drawn with a local flip about the rectangle so
// they stay upright.
void unflipAbout(QPainter& painter, const Rect& rect) {
    QTransform flip(1, 0, 0, -1, 0, rect.minY() + rect.maxY());
    painter.setTransform(flip * painter.transform());
}

}  // namespace

PainterContext::PainterContext(Size size, double scale)
    : impl_(std::make_unique<Impl>()), size_(size), scale_(scale > 0 ? scale : 1.0) {
    qt::ensureApplication();
    auto pixels = qt::canvasPixels(size, scale_);
    if (!pixels) return;  // too large to paint: no canvas
    impl_->canvas = qt::makeCanvas(pixels->width(), pixels->height());
    impl_->painter.begin(&impl_->canvas);
    impl_->base = QTransform(scale_, 0, 0, -scale_, 0, impl_->canvas.height());
}

PainterContext::~PainterContext() {
    if (impl_->painter.isActive()) impl_->painter.end();
}

bool PainterContext::hasCanvas() const {
    return impl_->painter.isActive();
}

PixelBuffer PainterContext::pixels() const {
    if (!hasCanvas()) return {};
    return qt::toPixelBuffer(impl_->canvas);
}

void PainterContext::doFill(const Path& path, FillRule rule) {
    if (!hasCanvas()) return;
    applyState(impl_->painter, impl_->base, state());
    impl_->painter.fillPath(toQPath(path, rule), qt::toQColor(state().fillColor));
}

void PainterContext::doStroke(const Path& path) {
    if (!hasCanvas()) return;
    applyState(impl_->painter, impl_->base, state());
    QPen pen(qt::toQColor(state().strokeColor));
    pen.setWidthF(state().lineWidth);
    pen.setCapStyle(state().lineCap == LineCap::Round    ? Qt::RoundCap
                    : state().lineCap == LineCap::Square ? Qt::SquareCap
                                                         : Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    impl_->painter.strokePath(toQPath(path, FillRule::NonZero), pen);
}

void PainterContext::doFillRect(const Rect& rect, CompositingOperation op) {
    if (!hasCanvas()) return;
    applyState(impl_->painter, impl_->base, state());
    impl_->painter.setCompositionMode(toQMode(op));
    impl_->painter.setRenderHint(QPainter::Antialiasing, false);
    impl_->painter.fillRect(QRectF(rect.origin.x, rect.origin.y, rect.size.width, rect.size.height),
                            qt::toQColor(state().fillColor));
}

void PainterContext::doDrawText(const AttributedString& text, const Rect& rect) {
    if (!hasCanvas()) return;
    applyState(impl_->painter, impl_->base, state());
    QPainter& painter = impl_->painter;
    const TextAttributes& a = text.attributes;
    QFont font = qt::toQFont(a.font.value_or(Font::systemFont(12)));
    double spacing = a.paragraphStyle ? a.paragraphStyle->lineSpacing : 0;
    TextAlignment alignment =
        a.paragraphStyle ? a.paragraphStyle->alignment : TextAlignment::Natural;
    double lineHeight = qt::lineHeight(font, false);
    auto lines = qt::layoutLines(qt::toQString(text.string), font, rect.width());
    // Work in a y-down space whose origin is the rectangle's top-left corner.
    if (!state().flipped) {
        QTransform down(1, 0, 0, -1, rect.minX(), rect.maxY());
        painter.setTransform(down * painter.transform());
    } else {
        painter.setTransform(QTransform::fromTranslate(rect.minX(), rect.minY()) *
                             painter.transform());
    }
    painter.setFont(font);
    QFontMetricsF metrics(font, &impl_->canvas);
    if (a.backgroundColor && a.backgroundColor->alpha > 0) {
        painter.fillRect(QRectF(0, 0, rect.width(), rect.height()),
                         qt::toQColor(*a.backgroundColor));
    }
    painter.setPen(qt::toQColor(a.foregroundColor.value_or(Color::blackColor())));
    double y = 0;
    for (const auto& line : lines) {
        double x = 0;
        if (alignment == TextAlignment::Center)
            x = (rect.width() - line.width) / 2;
        else if (alignment == TextAlignment::Right)
            x = rect.width() - line.width;
        painter.drawText(QPointF(x, y + metrics.ascent()), line.text);
        y += lineHeight + spacing;
    }
}

void PainterContext::doDrawImage(const Image& image, const Rect& rect, double alpha) {
    if (!hasCanvas()) return;
    applyState(impl_->painter, impl_->base, state());
    QPainter& painter = impl_->painter;
    if (!state().flipped) {
        // Pictures are stored top row first; draw them in a y-down space over the rectangle.
        unflipAbout(painter, rect);
    }
    painter.setOpacity(std::clamp(state().alpha * alpha, 0.0, 1.0));
    painter.drawImage(QRectF(rect.origin.x, rect.origin.y, rect.size.width, rect.size.height),
                      qt::toQImage(image.pixels()));
}

std::unique_ptr<GraphicsContext> PainterContext::makeLayerBacking(Size size) {
    if (size.width <= 0 || size.height <= 0) return nullptr;
    // As many pixels per point as the layer covers on this canvas, so it stays sharp when
    // the layer is scaled up.
    const AffineTransform& m = state().ctm;
    double zoom = std::sqrt(std::abs(m.a * m.d - m.b * m.c));
    auto backing = std::make_unique<PainterContext>(size, scale_ * std::max(zoom, 0.01));
    // A layer too large for a backing of its own draws straight into this context.
    if (!backing->hasCanvas()) return nullptr;
    if (state().flipped) {
        backing->concat({1, 0, 0, -1, 0, size.height});
        backing->setFlipped(true);
    }
    return backing;
}

void PainterContext::compositeLayerBacking(GraphicsContext& backing, const Rect& area) {
    auto* painted = dynamic_cast<PainterContext*>(&backing);
    if (!painted) return;
    auto image = Image::fromPixels(painted->pixels(), "layer backing", painted->scale());
    if (image) drawImage(*image, area);
}

}  // namespace platform::ui
