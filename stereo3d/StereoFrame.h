#pragma once
// A captured picture as the stereo pipeline reads it: 32-bit pixels (BGRA bytes, that is
// 0xAARRGGBB words on this little-endian machine), rows from the top, `bytesPerRow` apart.
// Captured frames are opaque: the alpha is set where the frame is made, and the pipeline
// takes it as it is. A view of memory someone else owns; valid while that memory is. Value
// type.

#include <cstddef>
#include <cstdint>

struct StereoFrame {
    const uint8_t* bytes = nullptr;
    size_t width = 0;
    size_t height = 0;
    size_t bytesPerRow = 0;

    bool empty() const { return !bytes || width == 0 || height == 0; }
    const uint32_t* row(size_t y) const {
        return reinterpret_cast<const uint32_t*>(bytes + y * bytesPerRow);
    }
};
