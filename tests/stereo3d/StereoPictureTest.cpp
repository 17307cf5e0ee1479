#include <algorithm>
#include <vector>

#include "stereo3d/DepthEstimate.h"
#include "stereo3d/StereoGenerationHalf.h"
#include "stereo3d/TavroDynamicDepthFilter.h"
#include "tests/stereo3d/AI3DHarness.h"

namespace {

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;

// A picture whose left part is black and right part white, the edge at column `edge`.
struct EdgePicture {
    EdgePicture(size_t w, size_t h, size_t edge, uint32_t alpha = 0xFF000000)
        : width(w), height(h) {
        // Rows padded by three pixels, as captured rows may be.
        stride = w + 3;
        pixels.assign(stride * h, 0x12345678);
        for (size_t y = 0; y < h; ++y) {
            for (size_t x = 0; x < w; ++x) {
                pixels[y * stride + x] = ((x < edge ? kBlack : kWhite) & 0x00FFFFFF) | alpha;
            }
        }
    }
    StereoFrame frame() const {
        return {reinterpret_cast<const uint8_t*>(pixels.data()), width, height, stride * 4};
    }
    size_t width, height, stride;
    std::vector<uint32_t> pixels;
};

// The first column of row `y` that is white.
long edgeOf(const std::vector<uint32_t>& eye, size_t width, size_t y) {
    for (size_t x = 0; x < width; ++x) {
        if (eye[y * width + x] == kWhite) return long(x);
    }
    return -1;
}

std::vector<uint32_t> drawEye(const EdgePicture& picture, const DepthMap& depth, float depthValue,
                              StereoEye eye) {
    std::vector<uint32_t> out(picture.width * picture.height, 0);
    drawStereoEye(picture.frame(), depth, depthValue, eye, out.data(), picture.width);
    return out;
}

}  // namespace

TEST(StereoEyes, AVerticalEdgeMovesByTheDisparityOfItsDepthInEachEye) {
    const EdgePicture picture(400, 32, 200);
    // 0.015 × 400 pixels × depth 1 = 6 pixels.
    auto right = drawEye(picture, uniformDepth(400, 32, 1.0f), 0.015f, StereoEye::Right);
    auto left = drawEye(picture, uniformDepth(400, 32, 1.0f), 0.015f, StereoEye::Left);
    for (size_t y : {size_t(0), size_t(11), size_t(31)}) {
        EXPECT_EQ(edgeOf(right, 400, y), 206) << y;
        EXPECT_EQ(edgeOf(left, 400, y), 194) << y;
    }
    // 0.01 × 400 × 0.5 = 2 pixels; nothing at all for depth value 0.
    EXPECT_EQ(
        edgeOf(drawEye(picture, uniformDepth(400, 32, 0.5f), 0.01f, StereoEye::Right), 400, 5),
        202);
    EXPECT_EQ(edgeOf(drawEye(picture, uniformDepth(400, 32, 1.0f), 0.0f, StereoEye::Right), 400, 5),
              200);
    // Upper half far (0), lower half near (1): only the lower rows' edge moves.
    DepthMap depth = uniformDepth(400, 32, 0.0f);
    std::fill(depth.depth.begin() + depth.depth.size() / 2, depth.depth.end(), 1.0f);
    right = drawEye(picture, depth, 0.015f, StereoEye::Right);
    EXPECT_EQ(edgeOf(right, 400, 2), 200);
    EXPECT_EQ(edgeOf(right, 400, 30), 206);
}

TEST(StereoEyes, EdgesRepeatAndTheOutputIsOpaque) {
    // A transparent capture still gives opaque eyes; pixels from outside the picture repeat
    // its edge columns instead of reading past the row.
    EdgePicture picture(64, 4, 32, 0x00000000);
    picture.pixels[0] = 0x00FF0000;  // a red first column in the first row
    auto right = drawEye(picture, uniformDepth(64, 4, 1.0f), 0.1f, StereoEye::Right);  // 6 px
    for (size_t x = 0; x <= 6; ++x) EXPECT_EQ(right[x], 0xFFFF0000) << x;
    auto left = drawEye(picture, uniformDepth(64, 4, 1.0f), 0.1f, StereoEye::Left);
    for (size_t x = 57; x < 64; ++x) EXPECT_EQ(left[x], kWhite) << x;
    for (uint32_t pixel : left) EXPECT_EQ(pixel >> 24, 0xFFu);
}

TEST(StereoEyes, DegenerateInputsDoNotCrash) {
    std::vector<uint32_t> out(16, 0);
    drawStereoEye(StereoFrame{}, DepthMap{}, 0.01f, StereoEye::Left, out.data(), 4);
    const EdgePicture one(1, 1, 0);
    drawStereoEye(one.frame(), DepthMap{}, 0.01f, StereoEye::Right, out.data(), 1);
    EXPECT_EQ(out[0], kWhite);
    // A depth map smaller than the picture (made for another size) is used up to its edge.
    const EdgePicture picture(40, 20, 20);
    auto right = drawEye(picture, uniformDepth(16, 8, 1.0f), 0.05f, StereoEye::Right);  // 2 px
    EXPECT_EQ(edgeOf(right, 40, 19), 22);
    EXPECT_TRUE(estimateDepth(StereoFrame{}).empty());
}

TEST(DepthEstimate, DetailAndLowerPlacesAreNearer) {
    // A smooth grey picture with a finely checkered block: the block is nearer than the
    // smooth area beside it, and in the smooth area lower rows are nearer than upper ones.
    const size_t width = 256, height = 128;
    std::vector<uint32_t> pixels(width * height, 0xFF808080);
    for (size_t y = 40; y < 88; ++y) {
        for (size_t x = 160; x < 224; ++x) pixels[y * width + x] = (x + y) % 2 ? kWhite : kBlack;
    }
    StereoFrame frame{reinterpret_cast<const uint8_t*>(pixels.data()), width, height, width * 4};
    DepthMap depth = estimateDepth(frame);
    ASSERT_EQ(depth.width, 32u);
    ASSERT_EQ(depth.height, 16u);
    for (float value : depth.depth) {
        EXPECT_GE(value, 0.0f);
        EXPECT_LE(value, 1.0f);
    }
    EXPECT_GT(depth.at(24, 8), depth.at(4, 8) + 0.3f);
    EXPECT_GT(depth.at(4, 15), depth.at(4, 0) + 0.2f);
}

TEST(DepthFilter, SmoothsSmallChangesLimitsStepsAndFollowsSceneCuts) {
    TavroDynamicDepthFilter filter;
    filter.setParameters({0.5f, 0.3f, 0.1f});
    DepthMap first = uniformDepth(16, 16, 0.2f);
    EXPECT_TRUE(filter.apply(first));  // the first frame is taken as it is
    EXPECT_FLOAT_EQ(first.depth[0], 0.2f);

    DepthMap small = uniformDepth(16, 16, 0.3f);
    EXPECT_FALSE(filter.apply(small));
    EXPECT_NEAR(small.depth[0], 0.25f, 1e-6);  // half of the change

    DepthMap jump = uniformDepth(16, 16, 0.25f);
    jump.depth[0] = 0.95f;  // one wrong cell: the mean change stays small
    EXPECT_FALSE(filter.apply(jump));
    EXPECT_NEAR(jump.depth[0], 0.35f, 1e-6);  // at most eta per frame

    DepthMap cut = uniformDepth(16, 16, 0.9f);
    EXPECT_TRUE(filter.apply(cut));  // a new scene replaces the history
    EXPECT_FLOAT_EQ(cut.depth[3], 0.9f);

    filter.reset();
    DepthMap afterReset = uniformDepth(16, 16, 0.8f);
    EXPECT_TRUE(filter.apply(afterReset));
    EXPECT_FLOAT_EQ(afterReset.depth[0], 0.8f);
    // A map of another size cannot be blended with the history either.
    DepthMap other = uniformDepth(8, 8, 0.1f);
    EXPECT_TRUE(filter.apply(other));
}
