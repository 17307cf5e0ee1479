// The AI-3D pipeline's per-frame work on one core: the depth estimate, the temporal
// filter and both eyes of a 1920 × 1080 frame, next to a plain copy of the same bytes
// (the frame copied into both eye buffers) measured in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "stereo3d/DepthEstimate.h"
#include "stereo3d/StereoGenerationHalf.h"
#include "stereo3d/TavroDynamicDepthFilter.h"

namespace {

constexpr size_t kWidth = 1920;
constexpr size_t kHeight = 1080;

// A desktop-like picture: a gradient with text-like fine detail in some blocks.
std::vector<uint32_t> makePicture() {
    std::vector<uint32_t> pixels(kWidth * kHeight);
    for (size_t y = 0; y < kHeight; ++y) {
        for (size_t x = 0; x < kWidth; ++x) {
            uint32_t shade = uint32_t(40 + 180 * y / kHeight);
            if ((x / 240 + y / 135) % 3 == 0 && (x * 7 + y * 3) % 5 < 2) shade = 250 - shade / 2;
            pixels[y * kWidth + x] =
                0xFF000000 | shade << 16 | (shade / 2 + 60) << 8 | (255 - shade);
        }
    }
    return pixels;
}

void BM_StereoEyePair1080p(benchmark::State& state) {
    const auto picture = makePicture();
    const StereoFrame frame{reinterpret_cast<const uint8_t*>(picture.data()), kWidth, kHeight,
                            kWidth * 4};
    std::vector<uint32_t> left(kWidth * kHeight), right(kWidth * kHeight);
    TavroDynamicDepthFilter filter;
    filter.setParameters({0.2f, 0.1f, 0.025f});
    for (auto _ : state) {
        DepthMap depth = estimateDepth(frame);
        filter.apply(depth);
        drawStereoEye(frame, depth, 0.01f, StereoEye::Left, left.data(), kWidth);
        drawStereoEye(frame, depth, 0.01f, StereoEye::Right, right.data(), kWidth);
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * int64_t(2 * picture.size() * 4));
}

void BM_CopyEyePair1080p(benchmark::State& state) {
    const auto picture = makePicture();
    std::vector<uint32_t> left(kWidth * kHeight), right(kWidth * kHeight);
    const size_t bytes = picture.size() * 4;
    for (auto _ : state) {
        std::memcpy(left.data(), picture.data(), bytes);
        std::memcpy(right.data(), picture.data(), bytes);
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * int64_t(2 * bytes));
}

// The parts alone, to see where the time goes.
void BM_DepthEstimate1080p(benchmark::State& state) {
    const auto picture = makePicture();
    const StereoFrame frame{reinterpret_cast<const uint8_t*>(picture.data()), kWidth, kHeight,
                            kWidth * 4};
    for (auto _ : state) benchmark::DoNotOptimize(estimateDepth(frame));
    state.SetItemsProcessed(state.iterations());
}

void BM_OneEye1080p(benchmark::State& state) {
    const auto picture = makePicture();
    const StereoFrame frame{reinterpret_cast<const uint8_t*>(picture.data()), kWidth, kHeight,
                            kWidth * 4};
    const DepthMap depth = estimateDepth(frame);
    std::vector<uint32_t> eye(kWidth * kHeight);
    for (auto _ : state) {
        drawStereoEye(frame, depth, 0.01f, StereoEye::Right, eye.data(), kWidth);
        benchmark::DoNotOptimize(eye.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_StereoEyePair1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyEyePair1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DepthEstimate1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneEye1080p)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
