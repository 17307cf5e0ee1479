// PNG reading and writing of PixelBuffer through Qt's image codecs.
#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QImageWriter>

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/WritableFile.h"
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
    namespace fdn = platform::foundation;
    const auto failed = [error](fdn::Error why) {
        if (error) *error = std::move(why);
        return false;
    };
    if (isEmpty()) return failed({"UIImageErrorDomain", 2, "cannot write " + path + ": no pixels"});
    // Encoded in memory, then written with the file's own checks: Qt's file device neither
    // refuses a link or a FIFO in the picture's place nor reports a write that the disk did
    // not take.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(qt::toQImage(*this))) {
        return failed({"UIImageErrorDomain", 2,
                       "cannot write " + path + ": " + writer.errorString().toStdString()});
    }
    auto file = fdn::WritableFile::open(path, fdn::WritableFile::Mode::Replace);
    if (!file) return failed(file.error());
    auto written = file->write(
        std::span(reinterpret_cast<const uint8_t*>(encoded.constData()), encoded.size()));
    if (!written) written = file->close();
    if (written) {
        // Half a picture is no picture: it must not pass for one.
        fdn::removeItem(path);
        return failed(*written);
    }
    return true;
}

}  // namespace platform::ui
