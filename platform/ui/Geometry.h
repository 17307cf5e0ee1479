#pragma once
// Plain geometry values of the user-interface layer: points, sizes, rectangles and affine
// transforms. Coordinates are in points with the origin at the bottom left and y growing
// upwards, unless a flipped view says otherwise. Value types; safe on any thread.

#include <algorithm>
#include <cmath>

namespace platform::ui {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    Point origin;
    Size size;

    Rect() = default;
    Rect(double x, double y, double width, double height) : origin{x, y}, size{width, height} {}
    Rect(Point o, Size s) : origin(o), size(s) {}

    double minX() const { return std::min(origin.x, origin.x + size.width); }
    double minY() const { return std::min(origin.y, origin.y + size.height); }
    double maxX() const { return std::max(origin.x, origin.x + size.width); }
    double maxY() const { return std::max(origin.y, origin.y + size.height); }
    double midX() const { return origin.x + size.width / 2; }
    double midY() const { return origin.y + size.height / 2; }
    double width() const { return std::abs(size.width); }
    double height() const { return std::abs(size.height); }
    bool isEmpty() const { return size.width <= 0 || size.height <= 0; }

    // The point lies in the rectangle: minimum edges inside, maximum edges outside.
    bool contains(Point p) const {
        return !isEmpty() && p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
    }
    Rect offsetBy(double dx, double dy) const {
        return {origin.x + dx, origin.y + dy, size.width, size.height};
    }
    Rect insetBy(double dx, double dy) const {
        return {origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy};
    }
    Rect intersection(const Rect& other) const;
    Rect unionWith(const Rect& other) const;
    bool intersects(const Rect& other) const { return !intersection(other).isEmpty(); }

    bool operator==(const Rect&) const = default;
};

inline Rect Rect::intersection(const Rect& other) const {
    double x0 = std::max(minX(), other.minX());
    double y0 = std::max(minY(), other.minY());
    double x1 = std::min(maxX(), other.maxX());
    double y1 = std::min(maxY(), other.maxY());
    if (x1 <= x0 || y1 <= y0) return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

inline Rect Rect::unionWith(const Rect& other) const {
    if (isEmpty()) return other;
    if (other.isEmpty()) return *this;
    double x0 = std::min(minX(), other.minX());
    double y0 = std::min(minY(), other.minY());
    double x1 = std::max(maxX(), other.maxX());
    double y1 = std::max(maxY(), other.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
}

// Whether the mouse's hot spot lies in `rect`: in a y-up space the top edge belongs to the
// rectangle and the bottom edge does not; in a flipped space it is the other way round.
inline bool mouseInRect(Point p, const Rect& rect, bool flipped) {
    if (rect.isEmpty() || p.x < rect.minX() || p.x >= rect.maxX()) return false;
    return flipped ? (p.y >= rect.minY() && p.y < rect.maxY())
                   : (p.y > rect.minY() && p.y <= rect.maxY());
}

// x' = a*x + c*y + tx, y' = b*x + d*y + ty.
struct AffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static AffineTransform identity() { return {}; }
    static AffineTransform rotation(double radians) {
        double s = std::sin(radians), co = std::cos(radians);
        return {co, s, -s, co, 0, 0};
    }
    static AffineTransform translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static AffineTransform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }

    bool isIdentity() const { return *this == AffineTransform{}; }
    // This transform applied first, then `then`.
    AffineTransform concat(const AffineTransform& then) const {
        return {a * then.a + b * then.c,
                a * then.b + b * then.d,
                c * then.a + d * then.c,
                c * then.b + d * then.d,
                tx * then.a + ty * then.c + then.tx,
                tx * then.b + ty * then.d + then.ty};
    }
    Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    // The rotation angle the transform carries, in radians.
    double rotationAngle() const { return std::atan2(b, a); }

    bool operator==(const AffineTransform&) const = default;
};

}  // namespace platform::ui
