#include <cmath>
#include <limits>
#include <numbers>

#include "UiTestSupport.h"
#include "platform/ui/Layer.h"
#include "platform/ui/PainterContext.h"
#include "platform/ui/View.h"
#include "tests/support/RecordingContext.h"
#include "tests/support/TemporaryHome.h"

namespace platform::ui {
namespace {

constexpr double kPi = std::numbers::pi;

using DrawingTest = testing::UiTest;

uint32_t at(const PixelBuffer& pixels, int x, int y) {
    return pixels.pixelFromBottom(x, y);
}

Path segment(Point from, Point to) {
    Path path;
    path.moveTo(from);
    path.lineTo(to);
    return path;
}

TEST_F(DrawingTest, ArcSweepFollowsDirectionAndWraps) {
    EXPECT_DOUBLE_EQ(Path::arcSweep(kPi / 2, kPi / 2 - kPi, true), -kPi);  // half, clockwise
    EXPECT_DOUBLE_EQ(Path::arcSweep(kPi / 2, kPi / 2 - 2 * kPi, true), -2 * kPi);  // a full turn
    EXPECT_DOUBLE_EQ(Path::arcSweep(0, kPi / 2, true), -1.5 * kPi);  // the long way round
    EXPECT_DOUBLE_EQ(Path::arcSweep(0, kPi / 2, false), kPi / 2);
    EXPECT_DOUBLE_EQ(Path::arcSweep(0, 5 * kPi, false), 2 * kPi);
}

TEST_F(DrawingTest, RecordedPieKeepsItsGeometry) {
    // A pie for a quarter done: from the top, clockwise, as progress rings draw it.
    RecordingContext context;
    context.beginPath();
    context.moveTo({50, 50});
    context.addLineTo({50, 80});
    context.addArc({50, 50}, 30, kPi / 2, kPi / 2 - 2 * kPi * 0.25, true);
    context.closePath();
    context.fillPath();
    ASSERT_EQ(context.operations().size(), 1u);
    EXPECT_TRUE(context.currentPath().isEmpty());  // filling consumed the path
    const Path& pie = context.operations()[0].path;
    EXPECT_NEAR(pie.elements()[2].point.x, 80, 1e-9);  // ends at three o'clock
    EXPECT_NEAR(pie.elements()[2].point.y, 50, 1e-9);
    Rect box = pie.boundingBox();
    EXPECT_NEAR(box.minX(), 50, 1e-9);
    EXPECT_NEAR(box.maxX(), 80, 0.01);
    EXPECT_NEAR(box.minY(), 50, 1e-9);
    EXPECT_NEAR(box.maxY(), 80, 0.01);
}

TEST_F(DrawingTest, NonZeroFillKeepsTheHoleOfAnOppositeSubpath) {
    PainterContext context({100, 100});
    context.setFillColor(Color::rgb(0, 0, 1));
    Path ring;
    ring.addArc({50, 50}, 40, 0, 2 * kPi, false);
    ring.closeSubpath();
    ring.addArc({50, 50}, 20, 0, -2 * kPi, true);  // the other way round: a hole
    ring.closeSubpath();
    context.fill(ring);
    EXPECT_EQ(at(context.pixels(), 50, 50), 0u);
    EXPECT_EQ(at(context.pixels(), 50, 80), 0xFF0000FFu);
    Path same;  // both subpaths the same way: no hole with the non-zero rule
    same.addEllipseInRect({10, 10, 80, 80});
    same.addEllipseInRect({30, 30, 40, 40});
    for (FillRule rule : {FillRule::NonZero, FillRule::EvenOdd}) {
        PainterContext other({100, 100});
        other.setFillColor(Color::rgb(0, 0, 1));
        other.fill(same, rule);
        EXPECT_EQ(at(other.pixels(), 50, 50), rule == FillRule::NonZero ? 0xFF0000FFu : 0u);
    }
}

TEST_F(DrawingTest, StrokeCapsAndCompositingPaintWhereExpected) {
    PainterContext context({100, 40});
    context.setStrokeColor(Color::rgb(1, 0, 0));
    context.setLineWidth(10);
    context.stroke(segment({20, 10}, {80, 10}));
    context.setLineCap(LineCap::Round);
    context.stroke(segment({20, 30}, {80, 30}));
    PixelBuffer pixels = context.pixels();
    EXPECT_EQ(at(pixels, 50, 10), 0xFFFF0000u);
    EXPECT_EQ(at(pixels, 17, 10), 0u);           // butt caps end at the end point
    EXPECT_EQ(at(pixels, 17, 30), 0xFFFF0000u);  // round caps reach past it
    context.setFillColor(Color::rgb(0, 1, 0, 0.5));
    context.fillRect({40, 0, 20, 40}, CompositingOperation::Copy);
    EXPECT_NEAR(alphaOf(at(context.pixels(), 50, 10)), 128, 1);  // copied, not blended
    context.clearRect({0, 0, 100, 40});
    EXPECT_EQ(at(context.pixels(), 50, 10), 0u);
}

TEST_F(DrawingTest, ImagesAreDrawnUprightInBothSpaces) {
    auto image = Image::named("two-tone");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->size(), (Size{4, 4}));
    for (bool flipped : {false, true}) {
        PainterContext context({4, 4});
        if (flipped) {
            context.concat({1, 0, 0, -1, 0, 4});
            context.setFlipped(true);
        }
        context.drawImage(*image, {0, 0, 4, 4});
        PixelBuffer pixels = context.pixels();
        EXPECT_EQ(pixels.pixelFromTop(1, 0), 0xFFFF0000u) << flipped;     // red stays on top
        EXPECT_EQ(pixels.pixelFromBottom(1, 0), 0xFF00FF00u) << flipped;  // green at the bottom
    }
}

// A layer far larger than any picture: it fills a small square at its corner.
class HugeLayer : public Layer {
  public:
    void drawInContext(GraphicsContext& context) override {
        context.setFillColor(Color::rgb(1, 0, 0));
        context.fillRect({0, 0, 20, 20});
    }
};

// Sizes beyond a picture in memory, or not numbers at all, are never turned into pixel
// counts: such a window has no picture to write, and such a layer draws in place.
TEST_F(DrawingTest, SizesTooLargeToPaintGiveNoPictureAndLayersDrawInPlace) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    test_support::TemporaryFolder folder("tavro-drawing");
    for (Size size : {Size{3e9, 100}, Size{100, 1e300}, Size{20000, 20000}, Size{nan, 10}}) {
        SCOPED_TRACE(::testing::Message() << size.width << " x " << size.height);
        auto window = Window::make({0, 0, size.width, size.height}, WindowStyleTitled);
        EXPECT_TRUE(renderWindow(*window).isEmpty());
        platform::foundation::Error error;
        EXPECT_FALSE(writeWindowPng(*window, folder.file("huge.png"), 1.0, &error));
        EXPECT_FALSE(error.localizedDescription.empty());
        EXPECT_FALSE(platform::foundation::fileExists(folder.file("huge.png")));
    }
    EXPECT_TRUE(PainterContext({10, 10}, 1e300).pixels().isEmpty());
    auto host = View::create(Rect{0, 0, 100, 100});
    auto layer = std::make_shared<HugeLayer>();
    layer->setBounds({0, 0, 1e12, 1e12});
    layer->setAnchorPoint({0, 0});
    layer->setPosition({10, 10});
    host->layer().addSublayer(layer);
    const PixelBuffer pixels = renderView(*host);
    EXPECT_EQ(pixels.pixelFromBottom(15, 15), 0xFFFF0000u);
    EXPECT_EQ(pixels.pixelFromBottom(50, 50), 0u);
    // An arc whose angles are not numbers adds no curves.
    Path arc;
    arc.addArc({50, 50}, 10, nan, 1, false);
    const Path flat = arc.flattened();
    for (const PathElement& e : flat.elements()) EXPECT_NE(e.kind, PathElement::Kind::CurveTo);
}

}  // namespace
}  // namespace platform::ui
