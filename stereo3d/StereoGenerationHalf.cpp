#include "stereo3d/StereoGenerationHalf.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr uint32_t kOpaque = 0xFF000000;

// Copies `count` pixels starting at source column `from` (which may lie partly outside
// the row: the edge columns repeat).
inline void copyShifted(const uint32_t* source, long width, long from, uint32_t* out, long count) {
    if (from >= 0 && from + count <= width) {
        const uint32_t* in = source + from;
        for (long i = 0; i < count; ++i) out[i] = in[i] | kOpaque;
        return;
    }
    for (long i = 0; i < count; ++i) {
        out[i] = source[std::clamp(from + i, 0L, width - 1)] | kOpaque;
    }
}

}  // namespace

void drawStereoEye(const StereoFrame& frame, const DepthMap& depth, float depthValue, StereoEye eye,
                   uint32_t* output, size_t outputStride) {
    if (frame.empty() || !output) return;
    const long width = long(frame.width);
    const size_t cell = depth.empty() ? frame.width : std::max<size_t>(1, depth.cellSize);
    const size_t cellsAcross = (frame.width + cell - 1) / cell;
    // The right eye's pixel x comes from x + disparity (the picture moves left), the left
    // eye's from x - disparity (it moves right): crossed disparity, near content in front.
    const long direction = eye == StereoEye::Right ? 1 : -1;
    const float pixelsPerDepth = depthValue * float(frame.width);
    std::vector<long> offsets(cellsAcross, 0);
    long mapRow = -1;
    for (size_t y = 0; y < frame.height; ++y) {
        if (!depth.empty()) {
            const long row = long(std::min(y / cell, depth.height - 1));
            if (row != mapRow) {
                mapRow = row;
                for (size_t cx = 0; cx < cellsAcross; ++cx) {
                    const float d = depth.at(std::min(cx, depth.width - 1), size_t(row));
                    offsets[cx] = direction * std::lround(pixelsPerDepth * d);
                }
            }
        }
        const uint32_t* source = frame.row(y);
        uint32_t* out = output + y * outputStride;
        // Neighbouring cells mostly share their shift: copy each run of them in one go.
        size_t cx = 0;
        while (cx < cellsAcross) {
            size_t end = cx + 1;
            while (end < cellsAcross && offsets[end] == offsets[cx]) ++end;
            const long x0 = long(cx * cell);
            const long x1 = std::min<long>(long(end * cell), width);
            copyShifted(source, width, x0 + offsets[cx], out + x0, x1 - x0);
            cx = end;
        }
    }
}
