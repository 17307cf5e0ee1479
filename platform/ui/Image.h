#pragma once
// Images: pictures loaded by name from the application bundle (PNG files) or made from
// pixels. An image's size is in points; a picture named "name@2x" is read at twice the
// density. Loaded images are cached by name. Images are immutable once made, so a shared
// image may be read from any thread; the cache is guarded.

#include <memory>
#include <string>

#include "platform/ui/Geometry.h"
#include "platform/ui/PixelBuffer.h"

namespace platform::ui {

class Image {
  public:
    // The bundle's picture "name" (".png" optional), looked for at the top of the main
    // bundle, then in its "images" and "ui" folders; null when there is none or it cannot
    // be read.
    static std::shared_ptr<Image> named(const std::string& name);
    static std::shared_ptr<Image> fromFile(const std::string& path, const std::string& name = {});
    static std::shared_ptr<Image> fromPixels(PixelBuffer pixels, std::string name = {},
                                             double scale = 1.0);
    // Forgets the cached pictures (tests that switch bundles).
    static void clearCache();

    const std::string& name() const { return name_; }
    Size size() const { return {pixels_.width / scale_, pixels_.height / scale_}; }
    double scale() const { return scale_; }
    const PixelBuffer& pixels() const { return pixels_; }

    Image(PixelBuffer pixels, std::string name, double scale)
        : pixels_(std::move(pixels)), name_(std::move(name)), scale_(scale) {}

  private:
    PixelBuffer pixels_;
    std::string name_;
    double scale_ = 1.0;
};

using ImagePtr = std::shared_ptr<Image>;

}  // namespace platform::ui
