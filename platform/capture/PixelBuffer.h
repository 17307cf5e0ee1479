#pragma once
// Captured frames: a pixel buffer of 32-bit BGRA pixels (rows may be padded) and the
// sample buffer a capture stream hands over. The base address is valid while the buffer is
// locked. A buffer is used by one thread at a time; locking may be nested.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform::capture {

class PixelBuffer {
  public:
    // A buffer of width × height pixels, bytesPerRow ≥ 4 × width, zero-filled.
    PixelBuffer(size_t width, size_t height, size_t bytesPerRow);

    size_t width() const { return width_; }
    size_t height() const { return height_; }
    size_t bytesPerRow() const { return bytesPerRow_; }

    // 0 on success.
    int32_t lockBaseAddress();
    int32_t unlockBaseAddress();
    // Null unless locked.
    uint8_t* baseAddress();

  private:
    size_t width_;
    size_t height_;
    size_t bytesPerRow_;
    int locks_ = 0;
    std::vector<uint8_t> bytes_;
};

struct SampleBuffer {
    std::shared_ptr<PixelBuffer> imageBuffer;
};

// An image made from captured pixels, in RGBA byte order, alpha premultiplied as captured.
struct BitmapImage {
    size_t width = 0;
    size_t height = 0;
    std::vector<uint8_t> rgba;
};

}  // namespace platform::capture
