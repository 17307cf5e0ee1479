#pragma once
// A graphics context that paints pixels: a transparent canvas of a size in points at a
// number of pixels per point, painted with Qt. A size too large for a picture in memory
// (or not a number) gets no canvas: nothing is painted and the pixels are empty.
// Main thread only.

#include <memory>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/PixelBuffer.h"

namespace platform::ui {

class PainterContext final : public GraphicsContext {
  public:
    explicit PainterContext(Size size, double scale = 1.0);
    ~PainterContext() override;
    PainterContext(const PainterContext&) = delete;
    PainterContext& operator=(const PainterContext&) = delete;

    Size size() const { return size_; }
    double scale() const { return scale_; }
    bool hasCanvas() const;
    PixelBuffer pixels() const;

    std::unique_ptr<GraphicsContext> makeLayerBacking(Size size) override;
    void compositeLayerBacking(GraphicsContext& backing, const Rect& area) override;

  protected:
    void doFill(const Path& path, FillRule rule) override;
    void doStroke(const Path& path) override;
    void doFillRect(const Rect& rect, CompositingOperation op) override;
    void doDrawText(const AttributedString& text, const Rect& rect) override;
    void doDrawImage(const Image& image, const Rect& rect, double alpha) override;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    Size size_;
    double scale_;
};

}  // namespace platform::ui
