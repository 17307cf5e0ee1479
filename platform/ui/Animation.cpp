#include "platform/ui/Animation.h"

#include <cmath>

namespace platform::ui {

namespace {

double lerp(double a, double b, double t) {
    return a + (b - a) * t;
}

struct Interpolator {
    double t;
    AnimatableValue operator()(double a, double b) const { return lerp(a, b, t); }
    AnimatableValue operator()(Point a, Point b) const {
        return Point{lerp(a.x, b.x, t), lerp(a.y, b.y, t)};
    }
    AnimatableValue operator()(Size a, Size b) const {
        return Size{lerp(a.width, b.width, t), lerp(a.height, b.height, t)};
    }
    AnimatableValue operator()(const Rect& a, const Rect& b) const {
        return Rect{lerp(a.origin.x, b.origin.x, t), lerp(a.origin.y, b.origin.y, t),
                    lerp(a.size.width, b.size.width, t), lerp(a.size.height, b.size.height, t)};
    }
    AnimatableValue operator()(const Color& a, const Color& b) const {
        return Color{lerp(a.red, b.red, t), lerp(a.green, b.green, t), lerp(a.blue, b.blue, t),
                     lerp(a.alpha, b.alpha, t)};
    }
    AnimatableValue operator()(const AffineTransform& a, const AffineTransform& b) const {
        // Pure rotations (the common case) turn through the angle; others blend entries.
        bool rotations = std::abs(a.a * a.a + a.b * a.b - 1) < 1e-9 &&
                         std::abs(b.a * b.a + b.b * b.b - 1) < 1e-9 && a.tx == 0 && a.ty == 0 &&
                         b.tx == 0 && b.ty == 0;
        if (rotations)
            return AffineTransform::rotation(lerp(a.rotationAngle(), b.rotationAngle(), t));
        return AffineTransform{lerp(a.a, b.a, t), lerp(a.b, b.b, t),   lerp(a.c, b.c, t),
                               lerp(a.d, b.d, t), lerp(a.tx, b.tx, t), lerp(a.ty, b.ty, t)};
    }
    template <class A, class B>
    AnimatableValue operator()(const A&, const B& b) const {
        return b;
    }
};

double cubicBezier(double x1, double y1, double x2, double y2, double x) {
    // Solve x(s) = x for s by bisection, then evaluate y(s); exact enough for timing.
    double lo = 0, hi = 1, s = x;
    for (int i = 0; i < 40; ++i) {
        s = (lo + hi) / 2;
        double u = 1 - s;
        double xs = 3 * u * u * s * x1 + 3 * u * s * s * x2 + s * s * s;
        if (xs < x)
            lo = s;
        else
            hi = s;
    }
    double u = 1 - s;
    return 3 * u * u * s * y1 + 3 * u * s * s * y2 + s * s * s;
}

}  // namespace

AnimatableValue interpolate(const AnimatableValue& from, const AnimatableValue& to, double t) {
    return std::visit(Interpolator{t}, from, to);
}

double applyTiming(TimingFunction timing, double t) {
    t = std::clamp(t, 0.0, 1.0);
    switch (timing) {
        case TimingFunction::Linear:
            return t;
        case TimingFunction::EaseIn:
            return cubicBezier(0.42, 0, 1, 1, t);
        case TimingFunction::EaseOut:
            return cubicBezier(0, 0, 0.58, 1, t);
        case TimingFunction::EaseInEaseOut:
            return cubicBezier(0.42, 0, 0.58, 1, t);
    }
    return t;
}

}  // namespace platform::ui
