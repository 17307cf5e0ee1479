#pragma once
// A view that shows an image, scaled into its bounds as its scaling says and centred.
// Main thread only.

#include "platform/ui/Image.h"
#include "platform/ui/View.h"

namespace platform::ui {

enum class ImageScaling { ProportionallyDown, AxesIndependently, None, ProportionallyUpOrDown };

class ImageView : public View {
  public:
    explicit ImageView(Rect frame = {}) : View(frame) {}
    std::string className() const override { return "ImageView"; }

    const ImagePtr& image() const { return image_; }
    void setImage(ImagePtr image) {
        image_ = std::move(image);
        setNeedsDisplay();
    }
    ImageScaling imageScaling() const { return scaling_; }
    void setImageScaling(ImageScaling scaling) {
        scaling_ = scaling;
        setNeedsDisplay();
    }

    // Where the image is drawn, in bounds coordinates.
    Rect imageRect() const;
    void drawRect(const Rect& dirtyRect, GraphicsContext& context) override;

  private:
    ImagePtr image_;
    ImageScaling scaling_ = ImageScaling::ProportionallyDown;
};

}  // namespace platform::ui
