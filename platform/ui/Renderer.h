#pragma once
// Draws view and layer trees into a graphics context, and renders windows and views into
// pixels or PNG files. What is drawn is what the tree shows at Clock::current(): running
// animations are applied. Per view: its layer's background (with the corner radius), the
// layer's contents, the view's own drawing, the layer's sublayers, the subviews, the
// layer's border. Main thread only.

#include <string>

#include "platform/foundation/Error.h"
#include "platform/ui/PixelBuffer.h"

namespace platform::ui {

class GraphicsContext;
class Layer;
class View;
class Window;

// `view` in its own bounds space.
void drawViewTree(View& view, GraphicsContext& context);
// `layer` in its superlayer's space.
void drawLayerTree(Layer& layer, GraphicsContext& context);

PixelBuffer renderView(View& view, double scale = 1.0);
PixelBuffer renderWindow(Window& window, double scale = 1.0);
bool writeWindowPng(Window& window, const std::string& path, double scale = 1.0,
                    platform::foundation::Error* error = nullptr);

}  // namespace platform::ui
