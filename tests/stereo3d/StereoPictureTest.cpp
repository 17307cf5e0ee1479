// The pure steps of the AI-3D mode: drawing an eye, estimating depth, filtering depth.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "stereo3d/DepthEstimate.h"
#include "stereo3d/StereoGenerationHalf.h"
#include "stereo3d/TavroDynamicDepthFilter.h"
#include "tests/stereo3d/StereoTestPieces.h"

namespace {

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;

// Black left of column `edge`, white from it on; rows padded by three pixels, as captured
// rows may be.
struct EdgePicture {
    EdgePicture(size_t w, size_t h, size_t edge, uint32_t alpha = 0xFF000000)
        : width(w), height(h), pixels((w + 3) * h, 0x12345678) {
        for (size_t y = 0; y < h; ++y)
            for (size_t x = 0; x < w; ++x)
                pixels[y * (w + 3) + x] = ((x < edge ? kBlack : kWhite) & 0xFFFFFF) | alpha;
    }
    StereoFrame frame() const {
        return {reinterpret_cast<const uint8_t*>(pixels.data()), width, height, (width + 3) * 4};
    }
    std::vector<uint32_t> eye(const DepthMap& depth, float depthValue, StereoEye which) const {
        std::vector<uint32_t> out(width * height, 0);
        drawStereoEye(frame(), depth, depthValue, which, out.data(), width);
        return out;
    }
    // The first white column of row `y` of an eye.
    long edgeIn(const std::vector<uint32_t>& eye, size_t y) const {
        for (size_t x = 0; x < width; ++x)
            if (eye[y * width + x] == kWhite) return long(x);
        return -1;
    }
    size_t width, height;
    std::vector<uint32_t> pixels;
};

}  // namespace

TEST(StereoEyes, NearContentCrossesInFrontByTheDisparityOfItsDepth) {
    const EdgePicture picture(400, 32, 200);
    const DepthMap near = uniformDepth(400, 32, 1.0f);
    // 0.015 × 400 pixels × depth 1 = 6 pixels. Crossed: the left eye's copy of the edge
    // lies to the right of the right eye's, so it is seen in front of the screen.
    auto right = picture.eye(near, 0.015f, StereoEye::Right);
    auto left = picture.eye(near, 0.015f, StereoEye::Left);
    for (size_t y : {0, 11, 31}) {
        EXPECT_EQ(picture.edgeIn(left, y), 206) << y;
        EXPECT_EQ(picture.edgeIn(right, y), 194) << y;
    }
    // More depth brings it further forward: 0.03 × 400 = 12 pixels each way.
    EXPECT_EQ(picture.edgeIn(picture.eye(near, 0.03f, StereoEye::Left), 5), 212);
    EXPECT_EQ(picture.edgeIn(picture.eye(near, 0.03f, StereoEye::Right), 5), 188);
    // 0.01 × 400 × 0.5 = 2 pixels; nothing at all for depth value 0.
    auto half = picture.eye(uniformDepth(400, 32, 0.5f), 0.01f, StereoEye::Right);
    EXPECT_EQ(picture.edgeIn(half, 5), 198);
    EXPECT_EQ(picture.edgeIn(picture.eye(near, 0.0f, StereoEye::Right), 5), 200);
    // Upper half far (0), lower half near (1): only the lower rows' edge moves.
    DepthMap depth = uniformDepth(400, 32, 0.0f);
    std::fill(depth.depth.begin() + depth.depth.size() / 2, depth.depth.end(), 1.0f);
    left = picture.eye(depth, 0.015f, StereoEye::Left);
    EXPECT_EQ(picture.edgeIn(left, 2), 200);
    EXPECT_EQ(picture.edgeIn(left, 30), 206);
}

TEST(StereoEyes, EdgesRepeatPixelsAreCarriedAsTheyAreAndOddInputsAreSafe) {
    // Pixels from outside the picture repeat its edge columns instead of reading past the
    // row; the pixels themselves, alpha included, are copied unchanged.
    EdgePicture picture(64, 4, 32);
    picture.pixels[0] = 0xFFFF0000;   // a red first column in the first row
    picture.pixels[40] = 0x80123456;  // and a half-transparent pixel in it
    const DepthMap near = uniformDepth(64, 4, 1.0f);
    auto left = picture.eye(near, 0.1f, StereoEye::Left);  // 6 px
    for (size_t x = 0; x <= 6; ++x) EXPECT_EQ(left[x], 0xFFFF0000) << x;
    EXPECT_EQ(left[46], 0x80123456u);
    auto right = picture.eye(near, 0.1f, StereoEye::Right);
    for (size_t x = 57; x < 64; ++x) EXPECT_EQ(right[x], kWhite) << x;
    EXPECT_EQ(right[34], 0x80123456u);
    // A shift past the whole width shows nothing but the edge column.
    left = picture.eye(near, 3.0f, StereoEye::Left);
    right = picture.eye(near, 3.0f, StereoEye::Right);
    for (size_t x = 0; x < 64; ++x) {
        EXPECT_EQ(left[x], 0xFFFF0000) << x;
        EXPECT_EQ(right[x], kWhite) << x;
    }

    // A depth map smaller than the picture (made for another size) is used up to its edge.
    const EdgePicture wide(40, 20, 20);
    EXPECT_EQ(wide.edgeIn(wide.eye(uniformDepth(16, 8, 1.0f), 0.05f, StereoEye::Left), 19), 22);
    std::vector<uint32_t> out(16, 0);
    drawStereoEye(StereoFrame{}, DepthMap{}, 0.01f, StereoEye::Left, out.data(), 4);
    const EdgePicture one(1, 1, 0);
    EXPECT_EQ(one.eye(DepthMap{}, 0.01f, StereoEye::Right)[0], kWhite);
    EXPECT_TRUE(estimateDepth(StereoFrame{}).empty());
}

// Half pixels round away from zero, for both eyes alike, and each eye repeats the pixel at
// the edge it moves away from: one row 10..17 at one depth (one cell across), padded with
// pixels no eye may show.
TEST(StereoEyes, HalfPixelShiftsRoundAwayFromZeroAndTheUncoveredEdgeRepeatsItsPixel) {
    const std::vector<uint32_t> row = {10, 11, 12, 13, 14, 15, 16, 17, 99, 99};
    const StereoFrame frame{reinterpret_cast<const uint8_t*>(row.data()), 8, 1, row.size() * 4};
    // depthValue 0.5 × 8 pixels × depth: exact in floats.
    auto eye = [&](float depth, StereoEye which) {
        std::vector<uint32_t> out(8, 0);
        drawStereoEye(frame, uniformDepth(8, 1, depth), 0.5f, which, out.data(), 8);
        return out;
    };
    using Row = std::vector<uint32_t>;
    // 2.5 pixels: 3.
    EXPECT_EQ(eye(0.625f, StereoEye::Right), (Row{13, 14, 15, 16, 17, 17, 17, 17}));
    EXPECT_EQ(eye(0.625f, StereoEye::Left), (Row{10, 10, 10, 10, 11, 12, 13, 14}));
    // 0.5 pixels: 1; 1.5 pixels: 2.
    EXPECT_EQ(eye(0.125f, StereoEye::Right), (Row{11, 12, 13, 14, 15, 16, 17, 17}));
    EXPECT_EQ(eye(0.125f, StereoEye::Left), (Row{10, 10, 11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(eye(0.375f, StereoEye::Right), (Row{12, 13, 14, 15, 16, 17, 17, 17}));
    EXPECT_EQ(eye(0.375f, StereoEye::Left), (Row{10, 10, 10, 11, 12, 13, 14, 15}));
}

TEST(DepthEstimate, DetailWhereverItsEdgesLieAndLowerPlacesAreNearer) {
    // A smooth grey picture with a checkered block of squares of `square` pixels: the block
    // is nearer than the smooth area beside it, whether its edges fall on odd or even
    // pixels (pixel-doubled content), and in the smooth area lower rows are nearer than
    // upper ones.
    const size_t width = 256, height = 128;
    for (size_t square : {1, 2, 3, 4}) {
        std::vector<uint32_t> pixels(width * height, 0xFF808080);
        for (size_t y = 40; y < 88; ++y)
            for (size_t x = 160; x < 224; ++x)
                pixels[y * width + x] = (x / square + y / square) % 2 ? kWhite : kBlack;
        DepthMap depth = estimateDepth(
            {reinterpret_cast<const uint8_t*>(pixels.data()), width, height, width * 4});
        ASSERT_EQ(depth.width, 32u);
        ASSERT_EQ(depth.height, 16u);
        EXPECT_TRUE(std::all_of(depth.depth.begin(), depth.depth.end(),
                                [](float value) { return value >= 0 && value <= 1; }));
        EXPECT_GT(depth.at(24, 8), depth.at(4, 8) + 0.3f) << square;
        EXPECT_GT(depth.at(4, 15), depth.at(4, 0) + 0.2f) << square;
    }
    // Alpha is no detail: a picture whose only change is its alpha reads as flat.
    std::vector<uint32_t> veiled(width * height, 0xFF808080);
    for (size_t i = 0; i < veiled.size(); i += 3) veiled[i] = 0x10808080;
    DepthMap flat =
        estimateDepth({reinterpret_cast<const uint8_t*>(veiled.data()), width, height, width * 4});
    EXPECT_FLOAT_EQ(flat.at(24, 8), flat.at(4, 8));
}

// A thin line is as near at the picture's right edge as at its left: a line from the left
// edge and its mirror image from the right edge give the same depth at their outer ends,
// whether the last cell is whole or narrower than the others. (The lines end inside a
// cell, so that their inner ends weigh alike and neither picture's largest detail differs.)
TEST(DepthEstimate, ALineIsAsNearAtTheRightEdgeAsAtTheLeft) {
    const size_t height = 32, row = 12, line = row / kDepthCellSize;
    for (size_t width : {size_t{128}, size_t{124}}) {
        SCOPED_TRACE(width);
        auto depthOfLine = [&](bool fromTheRight) {
            std::vector<uint32_t> pixels(width * height, 0xFF808080);
            for (size_t x = 0; x < width / 2 - 3; ++x)
                pixels[row * width + (fromTheRight ? width - 1 - x : x)] = kWhite;
            return estimateDepth(
                {reinterpret_cast<const uint8_t*>(pixels.data()), width, height, width * 4});
        };
        const DepthMap left = depthOfLine(false), right = depthOfLine(true);
        const size_t last = left.width - 1;
        // Seen at all: nearer than the far end of the same row, where the picture is flat.
        EXPECT_GT(left.at(0, line), left.at(last, line) + 0.1f);
        for (size_t cx = 0; cx < 4; ++cx)
            EXPECT_NEAR(right.at(last - cx, line), left.at(cx, line), 1e-5f) << cx;
    }
}

TEST(DepthFilter, SmoothsSmallChangesLimitsStepsAndFollowsSceneCuts) {
    TavroDynamicDepthFilter filter;
    filter.setParameters({0.5f, 0.3f, 0.1f});
    // Filters a 16 x 16 map (`size` x `size`) of `value` whose first cell is `first`: whether
    // it began a new scene, and its first cell afterwards.
    auto apply = [&](float value, float first, size_t size = 16) {
        DepthMap map = uniformDepth(size, size, value);
        map.depth[0] = first;
        const bool newScene = filter.apply(map);
        return std::pair{newScene, map.depth[0]};
    };
    EXPECT_EQ(apply(0.2f, 0.2f), std::pair(true, 0.2f));  // the first frame is taken as it is
    auto [cut, cell] = apply(0.3f, 0.3f);
    EXPECT_FALSE(cut);
    EXPECT_NEAR(cell, 0.25f, 1e-6);             // half of the change
    std::tie(cut, cell) = apply(0.25f, 0.95f);  // one wrong cell: the mean change stays small
    EXPECT_FALSE(cut);
    EXPECT_NEAR(cell, 0.35f, 1e-6);                       // at most eta per frame
    EXPECT_EQ(apply(0.9f, 0.9f), std::pair(true, 0.9f));  // a new scene replaces the history
    filter.reset();
    EXPECT_EQ(apply(0.8f, 0.8f), std::pair(true, 0.8f));
    // A map of another size cannot be blended with the history either.
    EXPECT_TRUE(apply(0.1f, 0.1f, 8).first);
}
