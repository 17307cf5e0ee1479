#include "stereo3d/StereoGenerationHalf.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Copies `count` pixels starting at source column `from` of a row `width` pixels wide.
// Columns left of the row repeat its first pixel, columns right of it its last; the
// pixels inside are moved in one copy.
inline void copyShifted(const uint32_t* source, long width, long from, uint32_t* out, long count) {
    long done = 0;
    if (from < 0) {
        done = std::min(count, -from);
        std::fill_n(out, done, source[0]);
    }
    const long inside = std::min(count, width - from) - done;
    if (inside > 0) {
        std::memcpy(out + done, source + from + done, size_t(inside) * sizeof(uint32_t));
        done += inside;
    }
    if (done < count) std::fill_n(out + done, count - done, source[width - 1]);
}

// A shift in pixels rounded to the nearest whole pixel, halves away from zero (as
// std::lround, without its library call), held within ±limit: a shift by the whole width
// of the picture already shows nothing but its edge column. Not a number gives no shift.
inline long roundedShift(float shift, long limit) {
    if (!(shift > -float(limit) && shift < float(limit))) {
        return shift > 0 ? limit : shift < 0 ? -limit : 0;
    }
    const long whole = long(shift);
    const float rest = shift - float(whole);  // exact: whole and shift are this close
    return whole + (rest >= 0.5f) - (rest <= -0.5f);
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
    // The runs of neighbouring cells that share a shift, for the cell row at hand: they
    // are the same for all its pixel rows.
    struct Run {
        long x0, count, offset;
    };
    std::vector<Run> runs;
    std::vector<long> offsets(cellsAcross, 0);
    long mapRow = -1;
    for (size_t y = 0; y < frame.height; ++y) {
        const long row = depth.empty() ? 0 : long(std::min(y / cell, depth.height - 1));
        if (row != mapRow) {
            mapRow = row;
            if (!depth.empty()) {
                for (size_t cx = 0; cx < cellsAcross; ++cx) {
                    const float d = depth.at(std::min(cx, depth.width - 1), size_t(row));
                    offsets[cx] = direction * roundedShift(pixelsPerDepth * d, width);
                }
            }
            runs.clear();
            for (size_t cx = 0, end = 0; cx < cellsAcross; cx = end) {
                end = cx + 1;
                while (end < cellsAcross && offsets[end] == offsets[cx]) ++end;
                const long x0 = long(cx * cell);
                runs.push_back({x0, std::min<long>(long(end * cell), width) - x0, offsets[cx]});
            }
        }
        const uint32_t* source = frame.row(y);
        uint32_t* out = output + y * outputStride;
        for (const Run& run : runs)
            copyShifted(source, width, run.x0 + run.offset, out + run.x0, run.count);
    }
}
