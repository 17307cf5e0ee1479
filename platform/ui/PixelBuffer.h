#pragma once
// Pixels in memory: 32-bit ARGB with straight (not premultiplied) alpha, rows from the top
// of the picture down. What images hold and what rendering produces. Value type.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Result.h"
#include "platform/ui/Color.h"

namespace platform::ui {

struct PixelBuffer {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;

    bool isEmpty() const { return width <= 0 || height <= 0; }
    // Pixel at column x, row y counted from the top; transparent outside the buffer.
    uint32_t pixelFromTop(int x, int y) const;
    // Pixel at column x, row y counted from the bottom (the y-up convention of views).
    uint32_t pixelFromBottom(int x, int y) const { return pixelFromTop(x, height - 1 - y); }

    // PNG files through Qt's codec; failures are reported, never thrown. A picture is written
    // as a file in a shared folder must be (see foundation/WritableFile.h), and one the disk
    // did not wholly take is removed and reported as not written.
    static platform::foundation::Result<PixelBuffer> readPng(const std::string& path);
    bool writePng(const std::string& path, platform::foundation::Error* error = nullptr) const;
};

// Channel helpers for checking pixels.
inline int alphaOf(uint32_t argb) {
    return static_cast<int>(argb >> 24 & 0xFF);
}
inline int redOf(uint32_t argb) {
    return static_cast<int>(argb >> 16 & 0xFF);
}
inline int greenOf(uint32_t argb) {
    return static_cast<int>(argb >> 8 & 0xFF);
}
inline int blueOf(uint32_t argb) {
    return static_cast<int>(argb & 0xFF);
}

}  // namespace platform::ui
