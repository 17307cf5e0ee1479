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

// The summed steps of the pixels [x0, x1) of a row to their right neighbours and to the
// pixels below (`below` is the next row, or the row itself for the last one); the last
// pixel of the row (`last`) has no right neighbour.
uint32_t spanSteps(const uint32_t* here, const uint32_t* below, size_t x0, size_t x1, size_t last) {
    uint32_t sum = 0;
    const size_t across = std::min(x1, last);
    for (size_t x = x0; x < across; ++x)
        sum += colourStep(here[x], here[x + 1]) + colourStep(here[x], below[x]);
    if (x1 > last) sum += colourStep(here[last], below[last]);
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
#endif

// Adds the steps of one row of a band of cells to each cell's sum. Cells of the usual width
// that end before the last column, the most of them, are summed four pixels at a time
// (into `wide`, a width the compiler can unroll); the others pixel by pixel.
class BandSums {
  public:
    BandSums(size_t cells, size_t cellSize) : cellSize_(cellSize), sums_(cells) {
#if defined(__SSE2__)
        wide_.resize(cells);
#endif
    }
    void clear() {
        std::fill(sums_.begin(), sums_.end(), 0u);
#if defined(__SSE2__)
        std::fill(wide_.begin(), wide_.end(), Lanes{_mm_setzero_si128()});
#endif
    }
    void addRow(const uint32_t* here, const uint32_t* below, size_t width) {
        const size_t last = width - 1;
        size_t cx = 0;
#if defined(__SSE2__)
        if (cellSize_ == kDepthCellSize) {
            static_assert(kDepthCellSize % 4 == 0);
            for (const size_t inner = last / kDepthCellSize; cx < inner; ++cx) {
                const size_t x0 = cx * kDepthCellSize;
                for (size_t x = x0; x < x0 + kDepthCellSize; x += 4)
                    wide_[cx].sums = _mm_add_epi64(wide_[cx].sums, fourSteps(here + x, below + x));
            }
        }
#endif
        for (; cx < sums_.size(); ++cx) {
            const size_t x0 = cx * cellSize_;
            sums_[cx] += spanSteps(here, below, x0, std::min(width, x0 + cellSize_), last);
        }
    }
    uint32_t sum(size_t cx) const {
#if defined(__SSE2__)
        return sums_[cx] + total(wide_[cx].sums);
#else
        return sums_[cx];
#endif
    }

  private:
    const size_t cellSize_;
    std::vector<uint32_t> sums_;
#if defined(__SSE2__)
    struct Lanes {
        __m128i sums;
    };
    std::vector<Lanes> wide_;
#endif
};

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
    // The rows of a band of cells are walked from left to right, as they lie in memory.
    std::vector<float> detail(map.depth.size(), 0.0f);
    BandSums band(map.width, cellSize);
    float largest = 0;
    for (size_t cy = 0; cy < map.height; ++cy) {
        const size_t y0 = cy * cellSize;
        const size_t y1 = std::min(frame.height, y0 + cellSize);
        band.clear();
        for (size_t y = y0; y < y1; ++y)
            band.addRow(frame.row(y), frame.row(std::min(y + 1, frame.height - 1)), frame.width);
        for (size_t cx = 0; cx < map.width; ++cx) {
            const size_t x0 = cx * cellSize;
            const size_t x1 = std::min(frame.width, x0 + cellSize);
            const float value = float(band.sum(cx)) * (1.0f / float((x1 - x0) * (y1 - y0)));
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
