// What the progress HUD draws: the mask over its host, the rounded box, the progress ring
// and the info, success and error icons.

#include <cmath>
#include <numbers>

#include "platform/ui/GraphicsContext.h"
#include "widgets/ProgressHUD/ProgressHUD.h"

using namespace platform::ui;

namespace {

constexpr double kPi = std::numbers::pi;

double radians(double degrees) {
    return degrees * kPi / 180.0;
}

// The info glyph is drawn for a 58-unit square, from the rectangle's top-left corner.
constexpr double kInfoCircle = 58;

}  // namespace

void ProgressHUD::drawRect(const Rect& dirtyRect, GraphicsContext& context) {
    layoutHUD();
    context.saveGState();

    switch (maskType.kind) {
        case ProgressHUDMaskType::Kind::none:
        case ProgressHUDMaskType::Kind::clear:
            break;
        case ProgressHUDMaskType::Kind::black:
            context.setFillColor(Color::blackColor().withAlpha(0.6));
            context.fillRect(dirtyRect);
            break;
        case ProgressHUDMaskType::Kind::custom:
            context.setFillColor(maskType.color);
            context.fillRect(dirtyRect);
            break;
    }

    const Rect box = boxRect();
    const double r = cornerRadius;
    context.beginPath();
    context.moveTo({box.minX() + r, box.minY()});
    context.addArc({box.maxX() - r, box.minY() + r}, r, 3 * kPi / 2, 0, false);
    context.addArc({box.maxX() - r, box.maxY() - r}, r, 0, kPi / 2, false);
    context.addArc({box.minX() + r, box.maxY() - r}, r, kPi / 2, kPi, false);
    context.addArc({box.minX() + r, box.minY() + r}, r, kPi, 3 * kPi / 2, false);
    context.closePath();
    context.setFillColor(style.boxColor(opacity));
    context.fillPath(FillRule::NonZero);

    const double s = spinnerSize;
    const Point centre{box.minX() + box.width() / 2, box.minY() + box.height() - 0.9 * s};
    const Rect icon{centre.x - s / 2, centre.y - s / 2, s, s};
    switch (mode.kind) {
        case ProgressHUDMode::Kind::determinate:
            drawProgressRing(centre, context);
            break;
        case ProgressHUDMode::Kind::info:
            drawInfoIcon(icon, context);
            break;
        case ProgressHUDMode::Kind::success:
            drawSuccessIcon(icon, context);
            break;
        case ProgressHUDMode::Kind::error:
            drawErrorIcon(icon, context);
            break;
        default:
            break;
    }
    context.restoreGState();
}

void ProgressHUD::drawProgressRing(Point centre, GraphicsContext& context) {
    context.setStrokeColor(style.contentColor());
    context.setLineWidth(4);
    context.setLineCap(LineCap::Round);
    context.beginPath();
    context.addArc(centre, spinnerSize / 2, radians(90), radians(90 - 360 * progress), true);
    context.strokePath();
    // A short mark at the top, so the ring shows where it starts also at 0.
    context.beginPath();
    context.addArc(centre, spinnerSize / 2, radians(90), radians(83.7168146928204), true);
    context.strokePath();
}

void ProgressHUD::drawInfoIcon(const Rect& rect, GraphicsContext& context) {
    const double x0 = rect.minX();
    const double y0 = rect.minY();
    const double yT = rect.maxY();
    const Color colour = style.contentColor();

    context.setStrokeColor(colour);
    context.setLineWidth(2);
    context.beginPath();
    context.addEllipseInRect({x0 + std::floor((rect.width() - kInfoCircle) / 2 + 0.5),
                              y0 + std::floor((rect.height() - kInfoCircle) / 2 + 0.5), kInfoCircle,
                              kInfoCircle});
    context.strokePath();

    auto at = [&](double dx, double dy) { return Point{x0 + dx, yT + dy}; };
    context.setFillColor(colour);
    // The dot: four quarter curves through its top, right, bottom and left.
    constexpr double k = 0.5523;  // the cubic approximation of a quarter circle
    context.beginPath();
    context.moveTo(at(30.31, -10.28));
    context.addCurveTo(at(30.31 + k * 2.46, -10.28), at(32.77, -12.75 + k * 2.47),
                       at(32.77, -12.75));
    context.addCurveTo(at(32.77, -12.75 - k * 2.49), at(30.31 + k * 2.46, -15.24),
                       at(30.31, -15.24));
    context.addCurveTo(at(30.31 - k * 2.50, -15.24), at(27.81, -12.75 - k * 2.49),
                       at(27.81, -12.75));
    context.addCurveTo(at(27.81, -12.75 + k * 2.47), at(30.31 - k * 2.50, -10.28),
                       at(30.31, -10.28));
    context.closePath();
    context.fillPath(FillRule::NonZero);

    // The stem with its foot and the flag at its top left.
    context.beginPath();
    context.moveTo(at(32.33, -21.98));
    context.addLineTo(at(32.33, -39.95));
    context.addCurveTo(at(32.33, -42.60), at(33.20, -44.12), at(35.73, -44.12));
    context.addLineTo(at(35.73, -45.0));
    context.addLineTo(at(24.86, -45.0));
    context.addLineTo(at(24.86, -44.12));
    context.addCurveTo(at(27.40, -44.12), at(28.28, -42.60), at(28.28, -39.95));
    context.addLineTo(at(28.28, -31.33));
    context.addCurveTo(at(28.28, -27.20), at(27.90, -25.20), at(26.52, -25.22));
    context.addLineTo(at(24.86, -25.59));
    context.addLineTo(at(24.52, -24.71));
    context.addLineTo(at(31.26, -21.98));
    context.closePath();
    context.fillPath(FillRule::NonZero);
}

void ProgressHUD::drawSuccessIcon(const Rect& rect, GraphicsContext& context) {
    const double x0 = rect.minX();
    const double y0 = rect.minY();
    const double w = rect.width();
    const double h = rect.height();
    context.setStrokeColor(style.contentColor());
    context.setLineWidth(4);
    context.setLineCap(LineCap::Round);
    context.beginPath();
    context.moveTo({x0 + 0.05833 * w, y0 + 0.48377 * h});
    context.addLineTo({x0 + 0.31429 * w, y0 + 0.19167 * h});
    context.addLineTo({x0 + 0.93333 * w, y0 + 0.80833 * h});
    context.strokePath();
}

void ProgressHUD::drawErrorIcon(const Rect& rect, GraphicsContext& context) {
    const double x0 = rect.minX();
    const double yT = rect.maxY();
    context.setStrokeColor(style.contentColor());
    context.setLineWidth(4);
    context.setLineCap(LineCap::Butt);
    context.beginPath();
    context.moveTo({x0 + 8, yT - 52});
    context.addLineTo({x0 + 52, yT - 8});
    context.strokePath();
    context.beginPath();
    context.moveTo({x0 + 52, yT - 52});
    context.addLineTo({x0 + 8, yT - 8});
    context.strokePath();
}
