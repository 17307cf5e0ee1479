#pragma once
// A graphics context that paints nothing and keeps every drawing operation with the
// graphics state it ran under, so tests can check what a view or layer draws. Main thread.

#include <vector>

#include "platform/ui/GraphicsContext.h"

namespace platform::ui {

struct DrawOperation {
    enum class Kind { Fill, Stroke, FillRect, Text, Image };
    Kind kind = Kind::Fill;
    Path path{};  // Fill, Stroke
    FillRule rule = FillRule::NonZero;
    Rect rect{};  // FillRect, Text, Image
    CompositingOperation op = CompositingOperation::SourceOver;
    std::string text{};  // Text; Image: the image's name
    double imageAlpha = 1.0;
    GraphicsState state{};
};

class RecordingContext final : public GraphicsContext {
  public:
    const std::vector<DrawOperation>& operations() const { return operations_; }
    void clearOperations() { operations_.clear(); }

  protected:
    void doFill(const Path& path, FillRule rule) override;
    void doStroke(const Path& path) override;
    void doFillRect(const Rect& rect, CompositingOperation op) override;
    void doDrawText(const AttributedString& text, const Rect& rect) override;
    void doDrawImage(const Image& image, const Rect& rect, double alpha) override;

  private:
    std::vector<DrawOperation> operations_;
};

}  // namespace platform::ui
