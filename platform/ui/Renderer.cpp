#include "platform/ui/Renderer.h"

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Layer.h"
#include "platform/ui/PainterContext.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {

void paintLooks(GraphicsContext& context, const Layer& layer, const LayerAppearance& shown,
                const Rect& area) {
    if (shown.backgroundColor && shown.backgroundColor->alpha > 0) {
        context.setFillColor(*shown.backgroundColor);
        context.fill(Path::roundedRect(area, shown.cornerRadius));
    }
    if (layer.contents()) context.drawImage(*layer.contents(), area);
}

void paintBorder(GraphicsContext& context, const Layer& layer, const LayerAppearance& shown,
                 const Rect& area) {
    if (layer.borderWidth() <= 0 || !layer.borderColor()) return;
    context.setStrokeColor(*layer.borderColor());
    context.setLineWidth(layer.borderWidth());
    double inset = layer.borderWidth() / 2;
    context.stroke(
        Path::roundedRect(area.insetBy(inset, inset), std::max(0.0, shown.cornerRadius - inset)));
}

// How a subview's bounds space sits in its superview's bounds space.
AffineTransform placement(const View& view, const View& parent) {
    const Rect& f = view.frame();
    const Rect& b = view.bounds();
    if (view.isFlipped() == parent.isFlipped()) {
        return AffineTransform::translation(f.origin.x - b.origin.x, f.origin.y - b.origin.y);
    }
    return {1, 0, 0, -1, f.origin.x - b.origin.x, f.origin.y + f.size.height + b.origin.y};
}

}  // namespace

void drawLayerTree(Layer& layer, GraphicsContext& context) {
    if (layer.isHidden()) return;
    LayerAppearance shown = layer.presentation();
    if (shown.opacity <= 0) return;
    context.saveGState();
    context.translate(shown.position.x, shown.position.y);
    context.concat(shown.transform);
    context.translate(-shown.anchorPoint.x * shown.bounds.size.width - shown.bounds.origin.x,
                      -shown.anchorPoint.y * shown.bounds.size.height - shown.bounds.origin.y);
    context.setAlpha(context.state().alpha * std::clamp(shown.opacity, 0.0, 1.0));
    paintLooks(context, layer, shown, shown.bounds);
    if (auto backing = context.makeLayerBacking(shown.bounds.size)) {
        backing->translate(-shown.bounds.origin.x, -shown.bounds.origin.y);
        layer.drawInContext(*backing);
        context.compositeLayerBacking(*backing, shown.bounds);
    } else {
        context.saveGState();
        layer.drawInContext(context);
        context.restoreGState();
    }
    if (layer.masksToBounds()) context.clipToRect(shown.bounds);
    for (const auto& sub : std::vector<LayerPtr>(layer.sublayers())) drawLayerTree(*sub, context);
    paintBorder(context, layer, shown, shown.bounds);
    context.restoreGState();
    layer.clearNeedsDisplay();
}

void drawViewTree(View& view, GraphicsContext& context) {
    if (view.isHidden()) return;
    Layer& layer = view.layer();
    LayerAppearance shown = layer.presentation();
    if (shown.opacity <= 0) return;
    context.saveGState();
    context.setFlipped(view.isFlipped());
    context.setAlpha(context.state().alpha * std::clamp(shown.opacity, 0.0, 1.0));
    Rect area = view.bounds();
    paintLooks(context, layer, shown, area);
    context.saveGState();
    view.drawRect(area, context);
    context.restoreGState();
    if (layer.masksToBounds()) context.clipToRect(area);
    for (const auto& sub : std::vector<LayerPtr>(layer.sublayers())) drawLayerTree(*sub, context);
    for (const auto& sub : std::vector<ViewPtr>(view.subviews())) {
        context.saveGState();
        context.concat(placement(*sub, view));
        drawViewTree(*sub, context);
        context.restoreGState();
    }
    paintBorder(context, layer, shown, area);
    context.restoreGState();
    view.setNeedsDisplay(false);
}

PixelBuffer renderView(View& view, double scale) {
    PainterContext context(view.bounds().size, scale);
    if (view.isFlipped()) {
        context.concat({1, 0, 0, -1, 0, view.bounds().size.height});
    }
    context.translate(-view.bounds().origin.x, -view.bounds().origin.y);
    drawViewTree(view, context);
    return context.pixels();
}

PixelBuffer renderWindow(Window& window, double scale) {
    Size size = window.frame().size;
    PainterContext context(size, scale);
    context.setFillColor(window.backgroundColor());
    context.fillRect({0, 0, size.width, size.height}, CompositingOperation::Copy);
    if (const auto& content = window.contentView()) {
        context.saveGState();
        if (content->isFlipped()) context.concat({1, 0, 0, -1, 0, size.height});
        context.translate(content->frame().origin.x - content->bounds().origin.x,
                          content->frame().origin.y - content->bounds().origin.y);
        drawViewTree(*content, context);
        context.restoreGState();
    }
    return context.pixels();
}

bool writeWindowPng(Window& window, const std::string& path, double scale,
                    platform::foundation::Error* error) {
    return renderWindow(window, scale).writePng(path, error);
}

}  // namespace platform::ui
