#include "stereo3d/DepthEstimate.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Detail is sampled on every fourth pixel of every fourth row: enough for a cue that is
// smoothed afterwards, and it keeps the estimate to a fraction of a frame's time.
constexpr size_t kSampleStep = 4;

// Integer luma (0..255·64) of a 0xAARRGGBB pixel: 0.25 R + 0.625 G + 0.125 B, close
// enough to the usual weights for a cue and cheap.
inline int lumaOf(uint32_t pixel) {
    int r = int(pixel >> 16 & 0xFF);
    int g = int(pixel >> 8 & 0xFF);
    int b = int(pixel & 0xFF);
    return (r * 16 + g * 40 + b * 8);
}

void boxBlur(std::vector<float>& values, size_t width, size_t height) {
    std::vector<float> rows(values.size());
    for (size_t y = 0; y < height; ++y) {
        const float* in = &values[y * width];
        float* out = &rows[y * width];
        for (size_t x = 0; x < width; ++x) {
            size_t from = x == 0 ? 0 : x - 1;
            size_t to = std::min(width - 1, x + 1);
            float sum = 0;
            for (size_t i = from; i <= to; ++i) sum += in[i];
            out[x] = sum / float(to - from + 1);
        }
    }
    for (size_t y = 0; y < height; ++y) {
        size_t from = y == 0 ? 0 : y - 1;
        size_t to = std::min(height - 1, y + 1);
        for (size_t x = 0; x < width; ++x) {
            float sum = 0;
            for (size_t i = from; i <= to; ++i) sum += rows[i * width + x];
            values[y * width + x] = sum / float(to - from + 1);
        }
    }
}

}  // namespace

DepthMap estimateDepth(const StereoFrame& frame, size_t cellSize) {
    DepthMap map;
    if (frame.empty() || cellSize == 0) return map;
    map.cellSize = cellSize;
    map.width = (frame.width + cellSize - 1) / cellSize;
    map.height = (frame.height + cellSize - 1) / cellSize;
    map.depth.assign(map.width * map.height, 0.0f);

    // Detail per cell: mean absolute luma step to the right and downwards.
    std::vector<float> detail(map.depth.size(), 0.0f);
    float largest = 0;
    for (size_t cy = 0; cy < map.height; ++cy) {
        const size_t y0 = cy * cellSize;
        const size_t y1 = std::min(frame.height, y0 + cellSize);
        for (size_t cx = 0; cx < map.width; ++cx) {
            const size_t x0 = cx * cellSize;
            const size_t x1 = std::min(frame.width, x0 + cellSize);
            long sum = 0;
            long samples = 0;
            for (size_t y = y0; y < y1; y += kSampleStep) {
                const uint32_t* row = frame.row(y);
                const uint32_t* below = frame.row(std::min(frame.height - 1, y + 1));
                for (size_t x = x0; x < x1; x += kSampleStep) {
                    const int here = lumaOf(row[x]);
                    const int right = lumaOf(row[std::min(frame.width - 1, x + 1)]);
                    sum += std::abs(here - right) + std::abs(here - lumaOf(below[x]));
                    ++samples;
                }
            }
            float value = samples ? float(sum) / float(samples) : 0.0f;
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
    boxBlur(map.depth, map.width, map.height);
    boxBlur(map.depth, map.width, map.height);
    for (float& value : map.depth) value = std::clamp(value, 0.0f, 1.0f);
    return map;
}
