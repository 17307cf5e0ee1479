#include "stereo3d/DepthEstimate.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr uint32_t kColour = 0x00FFFFFF;  // the colour channels of a pixel; alpha is not looked at

// The summed absolute differences of the colour channels of two pixels.
inline uint32_t colourStep(uint32_t a, uint32_t b) {
    uint32_t sum = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        sum += uint32_t(std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)));
    }
    return sum;
}

#if defined(__SSE2__)
// The steps of four pixels to their right neighbours (loaded one pixel further on) and to
// the pixels below: byte-wise sums of absolute differences of the masked colour bytes.
inline __m128i fourSteps(const uint32_t* here, const uint32_t* below) {
    const __m128i colour = _mm_set1_epi32(int(kColour));
    auto load = [&](const uint32_t* at) {
        return _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), colour);
    };
    const __m128i pixels = load(here);
    return _mm_add_epi64(_mm_sad_epu8(pixels, load(here + 1)), _mm_sad_epu8(pixels, load(below)));
}

inline uint32_t total(__m128i sums) {
    return uint32_t(_mm_cvtsi128_si32(sums)) + uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
}

// As cellSteps for a cell kWidth pixels wide (a multiple of four) that is not the last of
// its row: the width known here lets the compiler unroll the row.
template <size_t kWidth>
uint32_t innerCellSteps(const StereoFrame& frame, size_t x0, size_t y0, size_t y1) {
    static_assert(kWidth % 4 == 0);
    __m128i sums = _mm_setzero_si128();
    for (size_t y = y0; y < y1; ++y) {
        const uint32_t* here = frame.row(y) + x0;
        const uint32_t* below = frame.row(std::min(y + 1, frame.height - 1)) + x0;
        for (size_t x = 0; x < kWidth; x += 4) {
            sums = _mm_add_epi64(sums, fourSteps(here + x, below + x));
        }
    }
    return total(sums);
}
#endif

// The summed steps of the pixels of a cell (columns [x0, x1), rows [y0, y1)) to their
// right and lower neighbours; the last column of the frame has no right neighbour and its
// last row no lower one.
uint32_t cellSteps(const StereoFrame& frame, size_t x0, size_t x1, size_t y0, size_t y1) {
#if defined(__SSE2__)
    if (x1 - x0 == kDepthCellSize && x1 < frame.width)
        return innerCellSteps<kDepthCellSize>(frame, x0, y0, y1);
    __m128i sums = _mm_setzero_si128();
#endif
    const size_t last = frame.width - 1;
    const size_t across = std::min(x1, last);  // the pixels that have a right neighbour
    uint32_t sum = 0;
    for (size_t y = y0; y < y1; ++y) {
        const uint32_t* here = frame.row(y);
        const uint32_t* below = frame.row(std::min(y + 1, frame.height - 1));
        size_t x = x0;
#if defined(__SSE2__)
        for (; x + 4 <= across; x += 4) sums = _mm_add_epi64(sums, fourSteps(here + x, below + x));
#endif
        for (; x < across; ++x)
            sum += colourStep(here[x], here[x + 1]) + colourStep(here[x], below[x]);
        if (x1 > last) sum += colourStep(here[last], below[last]);
    }
#if defined(__SSE2__)
    sum += total(sums);
#endif
    return sum;
}

// The mean of each value and its neighbours along a line of `count` values `stride` apart
// in `in`, written likewise to `out`: two at the ends, three elsewhere.
void meanOfThree(const float* in, float* out, size_t count, size_t stride, size_t lines,
                 size_t lineStride) {
    for (size_t line = 0; line < lines; ++line) {
        const float* a = in + line * lineStride;
        float* b = out + line * lineStride;
        if (count == 1) {
            b[0] = a[0];
            continue;
        }
        b[0] = (a[0] + a[stride]) / 2.0f;
        for (size_t i = 1; i + 1 < count; ++i)
            b[i * stride] = (a[(i - 1) * stride] + a[i * stride] + a[(i + 1) * stride]) / 3.0f;
        b[(count - 1) * stride] = (a[(count - 2) * stride] + a[(count - 1) * stride]) / 2.0f;
    }
}

// A 3 × 3 box blur of a `width` × `height` grid, through `scratch`.
void boxBlur(std::vector<float>& values, std::vector<float>& scratch, size_t width, size_t height) {
    scratch.resize(values.size());
    meanOfThree(values.data(), scratch.data(), width, 1, height, width);
    meanOfThree(scratch.data(), values.data(), height, width, width, 1);
}

}  // namespace

DepthMap estimateDepth(const StereoFrame& frame, size_t cellSize) {
    DepthMap map;
    if (frame.empty() || cellSize == 0) return map;
    map.cellSize = cellSize;
    map.width = (frame.width + cellSize - 1) / cellSize;
    map.height = (frame.height + cellSize - 1) / cellSize;
    map.depth.assign(map.width * map.height, 0.0f);

    // Detail per cell: the mean step of every pixel of the cell to its right and lower
    // neighbours, summed over the colour channels, so that an edge counts wherever it lies.
    std::vector<float> detail(map.depth.size(), 0.0f);
    float largest = 0;
    for (size_t cy = 0; cy < map.height; ++cy) {
        const size_t y0 = cy * cellSize;
        const size_t y1 = std::min(frame.height, y0 + cellSize);
        for (size_t cx = 0; cx < map.width; ++cx) {
            const size_t x0 = cx * cellSize;
            const size_t x1 = std::min(frame.width, x0 + cellSize);
            const float value =
                float(cellSteps(frame, x0, x1, y0, y1)) * (1.0f / float((x1 - x0) * (y1 - y0)));
            detail[cy * map.width + cx] = value;
            largest = std::max(largest, value);
        }
    }

    const float scale = largest > 0 ? 1.0f / largest : 0.0f;
    const float rowStep = map.height > 1 ? 1.0f / float(map.height - 1) : 0.0f;
    for (size_t cy = 0; cy < map.height; ++cy) {
        const float position = float(cy) * rowStep;
        for (size_t cx = 0; cx < map.width; ++cx) {
            size_t i = cy * map.width + cx;
            map.depth[i] = 0.4f * position + 0.6f * detail[i] * scale;
        }
    }
    boxBlur(map.depth, detail, map.width, map.height);
    boxBlur(map.depth, detail, map.width, map.height);
    for (float& value : map.depth) value = std::clamp(value, 0.0f, 1.0f);
    return map;
}
