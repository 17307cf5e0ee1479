#include "platform/ui/Path.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform::ui {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

Point arcPoint(Point c, double r, double angle) {
    return {c.x + r * std::cos(angle), c.y + r * std::sin(angle)};
}

// Appends cubic curves approximating the arc, each spanning at most a quarter turn.
void appendArcCurves(Path& out, Point c, double r, double start, double sweep) {
    if (!std::isfinite(sweep)) return;  // angles that are not numbers draw no arc
    int segments = std::max(1, static_cast<int>(std::ceil(std::abs(sweep) / (kTwoPi / 4) - 1e-9)));
    double step = sweep / segments;
    double k = 4.0 / 3.0 * std::tan(step / 4);
    double angle = start;
    for (int i = 0; i < segments; ++i) {
        double next = angle + step;
        Point p0 = arcPoint(c, r, angle);
        Point p3 = arcPoint(c, r, next);
        Point c1{p0.x - k * r * std::sin(angle), p0.y + k * r * std::cos(angle)};
        Point c2{p3.x + k * r * std::sin(next), p3.y - k * r * std::cos(next)};
        out.curveTo(c1, c2, p3);
        angle = next;
    }
}

}  // namespace

void Path::moveTo(Point p) {
    elements_.push_back({.kind = PathElement::Kind::MoveTo, .point = p});
    current_ = p;
    subpathStart_ = p;
}

void Path::lineTo(Point p) {
    if (!current_) return moveTo(p);
    elements_.push_back({.kind = PathElement::Kind::LineTo, .point = p});
    current_ = p;
}

void Path::quadTo(Point control, Point end) {
    if (!current_) moveTo(control);
    elements_.push_back({.kind = PathElement::Kind::QuadTo, .point = end, .control1 = control});
    current_ = end;
}

void Path::curveTo(Point control1, Point control2, Point end) {
    if (!current_) moveTo(control1);
    elements_.push_back({.kind = PathElement::Kind::CurveTo,
                         .point = end,
                         .control1 = control1,
                         .control2 = control2});
    current_ = end;
}

void Path::addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise) {
    PathElement arc{.kind = PathElement::Kind::Arc,
                    .center = center,
                    .radius = radius,
                    .startAngle = startAngle,
                    .endAngle = endAngle,
                    .clockwise = clockwise};
    arc.point = arcPoint(center, radius, startAngle + arcSweep(startAngle, endAngle, clockwise));
    if (!current_) subpathStart_ = arcPoint(center, radius, startAngle);
    elements_.push_back(arc);
    current_ = arc.point;
}

void Path::addEllipseInRect(const Rect& rect) {
    elements_.push_back({.kind = PathElement::Kind::Ellipse, .rect = rect});
    current_.reset();
    subpathStart_.reset();
}

void Path::addRect(const Rect& rect) {
    elements_.push_back({.kind = PathElement::Kind::Rectangle, .rect = rect});
    current_.reset();
    subpathStart_.reset();
}

void Path::closeSubpath() {
    if (!current_) return;
    elements_.push_back({.kind = PathElement::Kind::Close});
    current_ = subpathStart_;
}

Path Path::roundedRect(const Rect& r, double radius) {
    Path path;
    radius = std::min({radius, r.width() / 2, r.height() / 2});
    if (radius <= 0) {
        path.addRect(r);
        return path;
    }
    constexpr double pi = std::numbers::pi;
    path.moveTo({r.minX() + radius, r.minY()});
    path.addArc({r.maxX() - radius, r.minY() + radius}, radius, -pi / 2, 0, false);
    path.addArc({r.maxX() - radius, r.maxY() - radius}, radius, 0, pi / 2, false);
    path.addArc({r.minX() + radius, r.maxY() - radius}, radius, pi / 2, pi, false);
    path.addArc({r.minX() + radius, r.minY() + radius}, radius, pi, 3 * pi / 2, false);
    path.closeSubpath();
    return path;
}

double Path::arcSweep(double startAngle, double endAngle, bool clockwise) {
    double delta = endAngle - startAngle;
    if (!clockwise) {
        if (delta >= kTwoPi) return kTwoPi;
        delta = std::fmod(delta, kTwoPi);
        if (delta < 0) delta += kTwoPi;
    } else {
        if (delta <= -kTwoPi) return -kTwoPi;
        delta = std::fmod(delta, kTwoPi);
        if (delta > 0) delta -= kTwoPi;
    }
    return delta;
}

Path Path::flattened() const {
    Path out;
    for (const PathElement& e : elements_) {
        switch (e.kind) {
            case PathElement::Kind::MoveTo:
                out.moveTo(e.point);
                break;
            case PathElement::Kind::LineTo:
                out.lineTo(e.point);
                break;
            case PathElement::Kind::QuadTo: {
                Point p0 = out.currentPoint().value_or(e.control1);
                Point c1{p0.x + 2.0 / 3.0 * (e.control1.x - p0.x),
                         p0.y + 2.0 / 3.0 * (e.control1.y - p0.y)};
                Point c2{e.point.x + 2.0 / 3.0 * (e.control1.x - e.point.x),
                         e.point.y + 2.0 / 3.0 * (e.control1.y - e.point.y)};
                out.curveTo(c1, c2, e.point);
                break;
            }
            case PathElement::Kind::CurveTo:
                out.curveTo(e.control1, e.control2, e.point);
                break;
            case PathElement::Kind::Arc: {
                Point start = arcPoint(e.center, e.radius, e.startAngle);
                if (out.currentPoint())
                    out.lineTo(start);
                else
                    out.moveTo(start);
                double sweep = arcSweep(e.startAngle, e.endAngle, e.clockwise);
                if (sweep != 0) appendArcCurves(out, e.center, e.radius, e.startAngle, sweep);
                break;
            }
            case PathElement::Kind::Ellipse: {
                // Starts at the right-hand side and runs counter-clockwise (y-up), as the
                // platform's ellipse paths do.
                Point c{e.rect.midX(), e.rect.midY()};
                double rx = e.rect.width() / 2, ry = e.rect.height() / 2;
                if (rx <= 0 || ry <= 0) break;
                Path unit;
                unit.moveTo({1, 0});
                appendArcCurves(unit, {0, 0}, 1, 0, kTwoPi);
                for (const PathElement& u : unit.elements_) {
                    auto map = [&](Point p) { return Point{c.x + p.x * rx, c.y + p.y * ry}; };
                    if (u.kind == PathElement::Kind::MoveTo)
                        out.moveTo(map(u.point));
                    else
                        out.curveTo(map(u.control1), map(u.control2), map(u.point));
                }
                out.closeSubpath();
                break;
            }
            case PathElement::Kind::Rectangle: {
                const Rect& r = e.rect;
                out.moveTo({r.minX(), r.minY()});
                out.lineTo({r.maxX(), r.minY()});
                out.lineTo({r.maxX(), r.maxY()});
                out.lineTo({r.minX(), r.maxY()});
                out.closeSubpath();
                break;
            }
            case PathElement::Kind::Close:
                out.closeSubpath();
                break;
        }
    }
    return out;
}

Rect Path::boundingBox() const {
    Path flat = flattened();
    bool any = false;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    auto add = [&](Point p) {
        if (!any) {
            x0 = x1 = p.x;
            y0 = y1 = p.y;
            any = true;
            return;
        }
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    };
    Point last{};
    for (const PathElement& e : flat.elements_) {
        if (e.kind == PathElement::Kind::Close) continue;
        if (e.kind != PathElement::Kind::CurveTo) {
            add(e.point);
            last = e.point;
            continue;
        }
        // Sample the curve: exact enough for bounds of arcs and ellipses.
        for (int i = 1; i <= 16; ++i) {
            double t = i / 16.0, u = 1 - t;
            add({u * u * u * last.x + 3 * u * u * t * e.control1.x + 3 * u * t * t * e.control2.x +
                     t * t * t * e.point.x,
                 u * u * u * last.y + 3 * u * u * t * e.control1.y + 3 * u * t * t * e.control2.y +
                     t * t * t * e.point.y});
        }
        last = e.point;
    }
    if (!any) return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace platform::ui
