#include "platform/ui/ImageView.h"

#include "platform/ui/GraphicsContext.h"

namespace platform::ui {

Rect ImageView::imageRect() const {
    if (!image_) return {};
    Rect area = bounds();
    Size s = image_->size();
    if (scaling_ == ImageScaling::AxesIndependently) return area;
    double scale = 1.0;
    double fit =
        std::min(area.width() / std::max(s.width, 1e-9), area.height() / std::max(s.height, 1e-9));
    if (scaling_ == ImageScaling::ProportionallyUpOrDown)
        scale = fit;
    else if (scaling_ == ImageScaling::ProportionallyDown)
        scale = std::min(1.0, fit);
    Size drawn{s.width * scale, s.height * scale};
    return {area.midX() - drawn.width / 2, area.midY() - drawn.height / 2, drawn.width,
            drawn.height};
}

void ImageView::drawRect(const Rect&, GraphicsContext& context) {
    if (image_) context.drawImage(*image_, imageRect());
}

}  // namespace platform::ui
