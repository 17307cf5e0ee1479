#pragma once
// A graphics context that paints nothing and keeps every drawing operation with the
// graphics state it ran under, so that a test can check what a view or layer draws.
// Main thread.

#include <string>
#include <vector>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Image.h"

namespace platform::ui {

struct DrawOperation {
    enum class Kind { Fill, Stroke, FillRect, Text, Image };
    Kind kind = Kind::Fill;
    Path path{};  // Fill, Stroke
    FillRule rule = FillRule::NonZero;
    Rect rect{};  // FillRect, Text, Image
    CompositingOperation op = CompositingOperation::SourceOver;
    std::string text{};  // Text; Image: the image's name
    GraphicsState state{};
};

class RecordingContext final : public GraphicsContext {
  public:
    const std::vector<DrawOperation>& operations() const { return operations_; }

  protected:
    void doFill(const Path& path, FillRule rule) override {
        add({.kind = DrawOperation::Kind::Fill, .path = path, .rule = rule});
    }
    void doStroke(const Path& path) override {
        add({.kind = DrawOperation::Kind::Stroke, .path = path});
    }
    void doFillRect(const Rect& rect, CompositingOperation op) override {
        add({.kind = DrawOperation::Kind::FillRect, .rect = rect, .op = op});
    }
    void doDrawText(const AttributedString& text, const Rect& rect) override {
        add({.kind = DrawOperation::Kind::Text, .rect = rect, .text = text.string});
    }
    void doDrawImage(const Image& image, const Rect& rect, double) override {
        add({.kind = DrawOperation::Kind::Image, .rect = rect, .text = image.name()});
    }

  private:
    void add(DrawOperation operation) {
        operation.state = state();
        operations_.push_back(std::move(operation));
    }
    std::vector<DrawOperation> operations_;
};

}  // namespace platform::ui
