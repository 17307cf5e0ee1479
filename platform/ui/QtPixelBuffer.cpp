// PNG reading and writing of PixelBuffer through Qt's image codecs.
#include <QImageReader>
#include <QImageWriter>

#include "platform/ui/PixelBuffer.h"
#include "platform/ui/QtSupport.h"

namespace platform::ui {

uint32_t PixelBuffer::pixelFromTop(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return argb[static_cast<size_t>(y) * width + x];
}

platform::foundation::Result<PixelBuffer> PixelBuffer::readPng(const std::string& path) {
    QImageReader reader(qt::toQString(path), "png");
    QImage image = reader.read();
    if (image.isNull()) {
        return platform::foundation::Error{
            "UIImageErrorDomain", 1,
            "cannot read " + path + ": " + reader.errorString().toStdString()};
    }
    return qt::toPixelBuffer(image);
}

bool PixelBuffer::writePng(const std::string& path, platform::foundation::Error* error) const {
    if (isEmpty()) {
        if (error) *error = {"UIImageErrorDomain", 2, "cannot write " + path + ": no pixels"};
        return false;
    }
    QImageWriter writer(qt::toQString(path), "png");
    if (!writer.write(qt::toQImage(*this))) {
        if (error)
            *error = {"UIImageErrorDomain", 2,
                      "cannot write " + path + ": " + writer.errorString().toStdString()};
        return false;
    }
    return true;
}

}  // namespace platform::ui
