#include <gtest/gtest.h>

#include <algorithm>

#include "tests/stereo3d/StereoTestPieces.h"
#include "tests/support/AI3DHarness.h"

using platform::ui::Rect;

namespace {

class FixedDepthModel final : public TavroDepthModel {
  public:
    explicit FixedDepthModel(float depth) : depth_(depth) {}
    DepthMap predict(const StereoFrame& frame) override {
        return uniformDepth(frame.width, frame.height, depth_);
    }

  private:
    float depth_;
};

// The first white column of a row of an eye picture.
long edgeOf(const platform::ui::PixelBuffer& eye, int y) {
    for (int x = 0; x < eye.width; ++x) {
        if ((eye.pixelFromTop(x, y) & 0xFFFFFF) == 0xFFFFFF) return x;
    }
    return -1;
}

class StereoPipelineTest : public AI3DHarness {
  protected:
    // The mode running on the glasses with a depth model that calls everything near (depth 1).
    std::shared_ptr<TavroDepth3DViewController> startWithNearDepth() {
        boot();
        plugGlasses();
        auto& manager = TavroDepthCustomManager::shared();
        auto controller = manager.deopth3DViewController();
        controller->setDepthModel(std::make_shared<FixedDepthModel>(1.0f));
        AppDelegate::shared().depthManager.set(TavroDepthCustomManager::sharedPointer());
        manager.startAI3D();
        EXPECT_TRUE(waitFor([&] { return !results().empty(); }));
        return controller;
    }

    // Moves on until a frame has been handled from start to end after this call, and both
    // eye views shown now hold a picture.
    bool nextFrame(const std::shared_ptr<TavroDepth3DViewController>& controller) {
        const uint64_t before = controller->framesProcessed();
        return advanceUntil([&] {
            return controller->framesProcessed() >= before + 2 &&
                   controller->leftEyeSurface()->framesDrawn() > 0 &&
                   controller->rightEyeSurface()->framesDrawn() > 0;
        });
    }
};

}  // namespace

TEST_F(StereoPipelineTest, EyesShowTheMainDisplayShiftedByTheDepthValueOfEachFrame) {
    auto controller = startWithNearDepth();
    // The main display white, black on its left half (edge at 756).
    auto main = screenNamed("Built-in");
    ASSERT_TRUE(main);
    Rect leftHalf = main->frame;
    leftHalf.size.width /= 2;
    std::vector<std::shared_ptr<platform::ui::Window>> windows;
    for (auto [frame, colour] : {std::pair{main->frame, platform::ui::Color::whiteColor()},
                                 std::pair{leftHalf, platform::ui::Color::blackColor()}}) {
        windows.push_back(platform::ui::Window::make(frame, platform::ui::WindowStyleBorderless));
        windows.back()->setBackgroundColor(colour);
        windows.back()->orderFront();
    }
    ASSERT_TRUE(nextFrame(controller));
    ASSERT_TRUE(nextFrame(controller));  // a whole frame drawn with the current settings
    auto right = controller->rightEyeSurface()->picture();
    auto left = controller->leftEyeSurface()->picture();
    ASSERT_TRUE(right && left);
    EXPECT_EQ(right->width, 1512);  // the main display is captured at its own size
    EXPECT_EQ(right->height, 982);
    // The capture makes its frames opaque, so the eyes that copy them are too.
    for (const auto& eye : {left, right}) {
        EXPECT_TRUE(std::all_of(eye->argb.begin(), eye->argb.end(),
                                [](uint32_t pixel) { return pixel >> 24 == 0xFF; }));
    }
    // 0.01 × 1512 pixels × depth 1 = 15 pixels, crossed (near): the left eye's edge to the
    // right, the right eye's to the left.
    for (int y : {0, 491, 981}) {
        EXPECT_EQ(edgeOf(*left, y), 756 + 15) << y;
        EXPECT_EQ(edgeOf(*right, y), 756 - 15) << y;
    }
    // A new depth value (the depth bar) is taken at the next frame: 0.005 × 1512 = 8 pixels.
    AppDelegate::shared().depthValue = 0.005f;
    ASSERT_TRUE(nextFrame(controller));
    EXPECT_EQ(edgeOf(*controller->leftEyeSurface()->picture(), 400), 756 + 8);
    EXPECT_EQ(edgeOf(*controller->rightEyeSurface()->picture(), 400), 756 - 8);

    // Each eye fills its half of the glasses screen.
    auto glasses = screenNamed("TAVRO");
    ASSERT_TRUE(glasses);
    const double half = glasses->frame.width() / 2, height = glasses->frame.height();
    EXPECT_EQ(controller->leftEyeView()->frame(), (Rect{0, 0, half, height}));
    EXPECT_EQ(controller->rightEyeView()->frame(), (Rect{half, 0, half, height}));
}

TEST_F(StereoPipelineTest, StopCaptureEndsFramesAndReplacesTheEyeViews) {
    auto controller = startWithNearDepth();
    ASSERT_TRUE(nextFrame(controller));
    auto oldLeft = controller->leftEyeView();
    controller->stopCapture();
    EXPECT_FALSE(controller->isCapturing());
    platform::foundation::MainLoop::drain();
    EXPECT_NE(controller->leftEyeView(), oldLeft);
    EXPECT_EQ(oldLeft->superview(), nullptr);
    EXPECT_EQ(controller->leftEyeView()->superview(), controller->view().get());
    // A frame that was in hand may still finish (slowly on a loaded or sanitized build); then
    // nothing more comes, and nothing stale reaches the fresh eye views.
    uint64_t processed = 0;
    do {
        processed = controller->framesProcessed();
        waitFor([] { return false; }, 0.5);
    } while (controller->framesProcessed() != processed);
    advance(1, 1.0 / 60);
    EXPECT_EQ(controller->framesProcessed(), processed);
    EXPECT_EQ(controller->leftEyeSurface()->framesDrawn(), 0u);
    // Without glasses no capture starts.
    AppDelegate::shared().glassStatus = false;
    controller->startCapture();
    EXPECT_FALSE(controller->isCapturing());
}

TEST_F(StereoPipelineTest, ModeUsageIsReportedOnlyWhenTheModeChanged) {
    auto& mac = boot();
    plugGlasses();
    auto controller = TavroDepthCustomManager::shared().deopth3DViewController();
    AppDelegate::shared().modelType = controller->timedMode();
    controller->setDepthFilterParameters();  // the same mode: nothing to report
    AppDelegate::shared().modelType = 2;
    advance(5, 1);
    controller->setDepthFilterParameters();
    controller->setDepthFilterParameters();  // still mode 2
    ASSERT_TRUE(waitFor([&] { return !mac.backend().receivedEvents().empty(); }));
    settle();
    const auto events = mac.backend().receivedEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].body.at("eventName").text(), "use_mode_type");
    EXPECT_EQ(events[0].body.at("modeType").asInt64(), 0);  // the mode that ended
    EXPECT_NEAR(events[0].body.at("duration").asDouble(), 5.0, 0.01);
}

namespace {

// How the pipeline's depth filter follows the depth of a 16 × 16 cell map.
struct FilterBehaviour {
    float loneCellStep;  // one cell of a far (0) map turns near (1): how far it moves in a frame
    float share;         // the share of a small change (0.01 everywhere) taken in a frame
    float cutFrom;  // the smallest of the changes 0.04, 0.06, 0.09, 0.11 that starts a new scene
};

FilterBehaviour behaviourOf(TavroDynamicDepthFilter& filter) {
    // After a frame at `from` everywhere, a frame at `to` whose first cell is `first`:
    // whether it started a new scene, and how far its first cell moved.
    auto follow = [&](float from, float to, float first) {
        filter.reset();
        DepthMap before = uniformDepth(128, 128, from);
        filter.apply(before);
        DepthMap after = uniformDepth(128, 128, to);
        after.depth[0] = first;
        const bool cut = filter.apply(after);
        return std::pair{cut, after.depth[0] - from};
    };
    FilterBehaviour behaviour{follow(0, 0, 1).second, follow(0.5f, 0.51f, 0.51f).second / 0.01f, 0};
    for (float change : {0.04f, 0.06f, 0.09f, 0.11f}) {
        if (follow(0.5f, 0.5f + change, 0.5f + change).first) {
            behaviour.cutFrom = change;
            break;
        }
    }
    return behaviour;
}

}  // namespace

TEST_F(StereoPipelineTest, EachScreenModeSetsHowTheDepthFollowsChanges) {
    boot();
    auto controller = TavroDepthCustomManager::shared().deopth3DViewController();
    // Web follows small changes fastest and keeps scenes longest; game lets a lone cell move
    // further and cuts sooner; video further still and sooner still; other modes lean on the
    // smoothing alone.
    const std::vector<std::pair<int64_t, FilterBehaviour>> modes = {
        {0, {0.025f, 0.2f, 0.11f}},
        {1, {0.03f, 0.12f, 0.09f}},
        {2, {0.036f, 0.18f, 0.06f}},
        {5, {0.05f, 0.05f, 0.06f}},
    };
    for (const auto& [mode, expected] : modes) {
        AppDelegate::shared().modelType = mode;
        controller->setDepthFilterParameters();
        const FilterBehaviour seen = behaviourOf(controller->depthFilter());
        EXPECT_NEAR(seen.loneCellStep, expected.loneCellStep, 1e-5) << mode;
        EXPECT_NEAR(seen.share, expected.share, 1e-3) << mode;
        EXPECT_EQ(seen.cutFrom, expected.cutFrom) << mode;
    }
}
