#pragma once
// The drawing surface that views and layers draw into: a graphics state stack (colours,
// line width and caps, alpha, compositing, transform), a current path, and fills, strokes,
// text and images. PainterContext paints pixels with Qt; the tests' RecordingContext keeps
// every operation to check the geometry exactly.
// Coordinates are y-up unless the state says the space is flipped (a flipped view), in
// which case text and images are still drawn upright. Main thread only.

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/AttributedString.h"
#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Path.h"

namespace platform::ui {

class Image;

enum class LineCap { Butt, Round, Square };
enum class FillRule { NonZero, EvenOdd };
enum class CompositingOperation {
    Clear,
    Copy,
    SourceOver,
    SourceIn,
    SourceOut,
    SourceAtop,
    DestinationOver,
    DestinationIn,
    DestinationOut,
    DestinationAtop,
    Xor,
    PlusLighter
};

struct GraphicsState {
    Color fillColor = Color::blackColor();
    Color strokeColor = Color::blackColor();
    double lineWidth = 1.0;
    LineCap lineCap = LineCap::Butt;
    double alpha = 1.0;
    CompositingOperation compositing = CompositingOperation::SourceOver;
    AffineTransform ctm;
    bool flipped = false;
    std::vector<Rect> clips;  // in the user space of the moment each was set (ctm applied)
};

class GraphicsContext {
  public:
    virtual ~GraphicsContext() = default;

    void saveGState();
    // Restoring more often than saving leaves the state as it is.
    void restoreGState();
    const GraphicsState& state() const { return state_; }

    void setFillColor(const Color& color) { state_.fillColor = color; }
    void setStrokeColor(const Color& color) { state_.strokeColor = color; }
    void setLineWidth(double width) { state_.lineWidth = width; }
    void setLineCap(LineCap cap) { state_.lineCap = cap; }
    void setAlpha(double alpha) { state_.alpha = alpha; }
    void setCompositingOperation(CompositingOperation op) { state_.compositing = op; }
    void setFlipped(bool flipped) { state_.flipped = flipped; }

    void translate(double dx, double dy);
    void scale(double sx, double sy);
    void rotate(double radians);
    void concat(const AffineTransform& transform);
    void clipToRect(const Rect& rect);

    // The current path, in user space; fill and stroke consume it.
    void beginPath() { path_ = Path(); }
    void moveTo(Point p) { path_.moveTo(p); }
    void addLineTo(Point p) { path_.lineTo(p); }
    void addCurveTo(Point c1, Point c2, Point end) { path_.curveTo(c1, c2, end); }
    void addQuadCurveTo(Point c, Point end) { path_.quadTo(c, end); }
    void addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise) {
        path_.addArc(center, radius, startAngle, endAngle, clockwise);
    }
    void addEllipseInRect(const Rect& rect) { path_.addEllipseInRect(rect); }
    void addRect(const Rect& rect) { path_.addRect(rect); }
    void closePath() { path_.closeSubpath(); }
    const Path& currentPath() const { return path_; }

    void fillPath(FillRule rule = FillRule::NonZero);
    void strokePath();
    void fill(const Path& path, FillRule rule = FillRule::NonZero) { doFill(path, rule); }
    void stroke(const Path& path) { doStroke(path); }

    // Fills with the fill colour and the state's compositing operation.
    void fillRect(const Rect& rect) { doFillRect(rect, state_.compositing); }
    void fillRect(const Rect& rect, CompositingOperation op) { doFillRect(rect, op); }
    void clearRect(const Rect& rect) { doFillRect(rect, CompositingOperation::Clear); }

    // Text laid out in `rect`, wrapped at its width, from its top edge down.
    void drawText(const AttributedString& text, const Rect& rect) { doDrawText(text, rect); }
    void drawImage(const Image& image, const Rect& rect, double alpha = 1.0) {
        doDrawImage(image, rect, alpha);
    }

    // A backing of its own for a layer that draws its own content, `size` points large and
    // oriented like this context's user space at the moment of the call; its picture goes
    // back with compositeLayerBacking. So a layer that clears its context clears only its
    // backing, never what lies beneath it. Null: the context draws layers in place (a
    // context that only records operations).
    virtual std::unique_ptr<GraphicsContext> makeLayerBacking(Size /*size*/) { return nullptr; }
    // Draws `backing` (made by makeLayerBacking) over `area` with the state's alpha.
    virtual void compositeLayerBacking(GraphicsContext& /*backing*/, const Rect& /*area*/) {}

  protected:
    virtual void doFill(const Path& path, FillRule rule) = 0;
    virtual void doStroke(const Path& path) = 0;
    virtual void doFillRect(const Rect& rect, CompositingOperation op) = 0;
    virtual void doDrawText(const AttributedString& text, const Rect& rect) = 0;
    virtual void doDrawImage(const Image& image, const Rect& rect, double alpha) = 0;

  private:
    GraphicsState state_;
    std::vector<GraphicsState> saved_;
    Path path_;
};

}  // namespace platform::ui
