#include "platform/capture/PixelBuffer.h"

#include <algorithm>

namespace platform::capture {

namespace {
constexpr int32_t kInvalidArgument = -6661;
}

PixelBuffer::PixelBuffer(size_t width, size_t height, size_t bytesPerRow)
    : width_(width),
      height_(height),
      bytesPerRow_(std::max(bytesPerRow, width * 4)),
      bytes_(bytesPerRow_ * height) {}

int32_t PixelBuffer::lockBaseAddress() {
    ++locks_;
    return 0;
}

int32_t PixelBuffer::unlockBaseAddress() {
    if (locks_ == 0) return kInvalidArgument;
    --locks_;
    return 0;
}

uint8_t* PixelBuffer::baseAddress() {
    return locks_ > 0 ? bytes_.data() : nullptr;
}

}  // namespace platform::capture
