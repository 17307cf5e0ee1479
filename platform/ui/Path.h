#pragma once
// A drawing path as the graphics context builds it: moves, lines, cubic and quadratic
// curves, arcs about a centre in either direction, ellipses in rectangles and closes. Arcs
// keep their centre, radius, angles and direction, so a recorded drawing can be checked
// exactly; flatten() turns them into cubic curves for painting. Value type.

#include <optional>
#include <vector>

#include "platform/ui/Geometry.h"

namespace platform::ui {

struct PathElement {
    enum class Kind { MoveTo, LineTo, QuadTo, CurveTo, Arc, Ellipse, Rectangle, Close };
    Kind kind = Kind::MoveTo;
    Point point{};      // end point (MoveTo, LineTo, QuadTo, CurveTo)
    Point control1{};   // QuadTo, CurveTo
    Point control2{};   // CurveTo
    Point center{};     // Arc
    double radius = 0;  // Arc
    double startAngle = 0;
    double endAngle = 0;
    bool clockwise = false;
    Rect rect{};  // Ellipse, Rectangle

    bool operator==(const PathElement&) const = default;
};

class Path {
  public:
    void moveTo(Point p);
    void lineTo(Point p);
    void quadTo(Point control, Point end);
    void curveTo(Point control1, Point control2, Point end);
    // An arc about `center` from `startAngle` to `endAngle` (radians, counter-clockwise from
    // the x axis in y-up space). `clockwise` arcs run towards smaller angles. When the path
    // has a current point, a line joins it to the arc's start.
    void addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise);
    void addEllipseInRect(const Rect& rect);
    void addRect(const Rect& rect);
    void closeSubpath();
    // A rectangle with corners rounded by `radius` (at most half the shorter side).
    static Path roundedRect(const Rect& rect, double radius);

    const std::vector<PathElement>& elements() const { return elements_; }
    bool isEmpty() const { return elements_.empty(); }
    std::optional<Point> currentPoint() const { return current_; }

    // The swept angle of an arc: negative for clockwise, at most one full turn.
    static double arcSweep(double startAngle, double endAngle, bool clockwise);

    // Only MoveTo, LineTo, CurveTo and Close: arcs, ellipses, rectangles and quadratic
    // curves become cubic curves and lines.
    Path flattened() const;
    // The smallest rectangle holding every point the path passes through.
    Rect boundingBox() const;

    bool operator==(const Path&) const = default;

  private:
    std::vector<PathElement> elements_;
    std::optional<Point> current_;
    std::optional<Point> subpathStart_;
};

}  // namespace platform::ui
