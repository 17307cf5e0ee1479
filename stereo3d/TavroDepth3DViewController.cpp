#include "stereo3d/TavroDepth3DViewController.h"

#include "appstate/AppDelegate.h"
#include "platform/capture/CaptureStream.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/Mutex.h"
#include "platform/screens/DisplayServices.h"
#include "stereo3d/ModeUsageReport.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

using platform::foundation::mainQueue;

namespace {

// The window's content: the left eye on the left half, the right eye on the right half.
class StereoPairView final : public platform::ui::View {
  public:
    using View::View;
    std::string className() const override { return "StereoPairView"; }
    void setFrame(const platform::ui::Rect& frame) override {
        View::setFrame(frame);
        layoutEyes();
    }
    void layoutEyes() {
        const double half = bounds().size.width / 2;
        const double height = bounds().size.height;
        for (const auto& eye : subviews()) {
            auto* metal = dynamic_cast<MetalView*>(eye.get());
            if (!metal) continue;
            metal->setFrame({metal->eye() == StereoEye::Left ? 0.0 : half, 0, half, height});
        }
    }
};

// Usage is timed on the application's clock, as the reporting's other durations are.
double clockSeconds() {
    return platform::foundation::Clock::toSeconds(
        platform::foundation::Clock::current().now().time_since_epoch());
}

}  // namespace

TavroDepth3DViewController::TavroDepth3DViewController()
    : captureQueue_(platform::foundation::makeSerialQueue("com.tavro.depth3d.capture")),
      model_(std::make_shared<TavroCpuDepthModel>()),
      leftSurface_(std::make_shared<MetalView::Surface>(StereoEye::Left)),
      rightSurface_(std::make_shared<MetalView::Surface>(StereoEye::Right)),
      timedMode_(AppDelegate::shared().modelType.load()),
      timedModeStart_(clockSeconds()) {
    filter_.setParameters(filterParametersForMode(timedMode_.load()));
}

TavroDepth3DViewController::~TavroDepth3DViewController() {
    std::shared_ptr<platform::capture::CaptureStream> stream;
    {
        MutexLock lock(streamMutex_);
        stream = std::move(stream_);
    }
    if (stream) stream->stopCapture();
}

void TavroDepth3DViewController::loadView() {
    auto pair = std::make_shared<StereoPairView>(platform::ui::Rect{0, 0, 1920, 1080});
    leftView_ = MetalView::make(StereoEye::Left, {0, 0, 960, 1080});
    rightView_ = MetalView::make(StereoEye::Right, {960, 0, 960, 1080});
    leftSurface_.set(leftView_->surface());
    rightSurface_.set(rightView_->surface());
    pair->addSubview(leftView_);
    pair->addSubview(rightView_);
    setView(pair);
}

TavroDynamicDepthFilter::Parameters TavroDepth3DViewController::filterParametersForMode(
    int64_t mode) {
    switch (mode) {
        case 0:
            return {0.2f, 0.1f, 0.025f};  // web
        case 1:
            return {0.12f, 0.08f, 0.03f};  // game
        case 2:
            return {0.18f, 0.05f, 0.036f};  // video
        default:
            return {0.05f, 0.05f, 0.2f};
    }
}

void TavroDepth3DViewController::setDepthModel(TavroDepthModelPtr model) {
    if (model) model_.set(std::move(model));
}

void TavroDepth3DViewController::startCapture() {
    stopCapture();
    if (!AppDelegate::shared().glassStatus.load()) return;
    const auto display = platform::screens::mainDisplayId();
    const auto mode = platform::screens::displayCopyDisplayMode(display);
    if (display == platform::screens::kNullDisplay || !mode || mode->width == 0) return;
    platform::capture::StreamConfiguration configuration;
    configuration.displayId = display;
    configuration.width = mode->width;
    configuration.height = mode->height;
    configuration.framesPerSecond = kCaptureFramesPerSecond;
    std::weak_ptr<TavroDepth3DViewController> weak =
        std::static_pointer_cast<TavroDepth3DViewController>(shared_from_this());
    const uint64_t generation = ++captureGeneration_;
    auto stream = platform::capture::CaptureStream::make(
        configuration,
        [weak, generation](const platform::capture::SampleBuffer& sample) {
            if (auto self = weak.lock()) self->handleFrame(sample, generation);
        },
        captureQueue_);
    {
        MutexLock lock(streamMutex_);
        stream_ = stream;
    }
    capturing_.store(true);
    stream->startCapture([weak, stream](std::optional<platform::foundation::Error> error) {
        if (!error) return;
        auto self = weak.lock();
        if (!self) return;
        MutexLock lock(self->streamMutex_);
        if (self->stream_ == stream) {
            self->stream_.reset();
            self->capturing_.store(false);
        }
    });
}

void TavroDepth3DViewController::stopCapture() {
    std::shared_ptr<platform::capture::CaptureStream> stream;
    {
        MutexLock lock(streamMutex_);
        stream = std::move(stream_);
        capturing_.store(false);
    }
    ++captureGeneration_;
    if (stream) stream->stopCapture();
    filter_.reset();
    // Fresh surfaces at once, so that a frame still in hand cannot draw into the views
    // that are about to be shown; the views follow on the main queue.
    leftSurface_.set(std::make_shared<MetalView::Surface>(StereoEye::Left));
    rightSurface_.set(std::make_shared<MetalView::Surface>(StereoEye::Right));
    std::weak_ptr<TavroDepth3DViewController> weak =
        std::static_pointer_cast<TavroDepth3DViewController>(shared_from_this());
    mainQueue()->async([weak] {
        if (auto self = weak.lock()) self->replaceEyeViews();
    });
}

void TavroDepth3DViewController::replaceEyeViews() {
    TAVRO_ASSERT_MAIN_THREAD();
    if (!isViewLoaded()) return;
    const auto& pair = view();
    if (leftView_) leftView_->removeFromSuperview();
    if (rightView_) rightView_->removeFromSuperview();
    leftView_ = MetalView::make(StereoEye::Left, {});
    rightView_ = MetalView::make(StereoEye::Right, {});
    leftSurface_.set(leftView_->surface());
    rightSurface_.set(rightView_->surface());
    pair->addSubview(leftView_);
    pair->addSubview(rightView_);
    if (auto* stereo = dynamic_cast<StereoPairView*>(pair.get())) stereo->layoutEyes();
}

void TavroDepth3DViewController::handleFrame(const platform::capture::SampleBuffer& sample,
                                             uint64_t generation) {
    const auto& buffer = sample.imageBuffer;
    if (!buffer || buffer->lockBaseAddress() != 0) return;
    StereoFrame frame{buffer->baseAddress(), buffer->width(), buffer->height(),
                      buffer->bytesPerRow()};
    auto model = model_.get();
    DepthMap depth = model->predict(frame);
    filter_.apply(depth);
    auto left = leftSurface_.get();
    auto right = rightSurface_.get();
    // Checked after taking the surfaces: a stop moves the generation on before it replaces
    // them, so surfaces taken under the same generation are never the stopped capture's
    // successors, which must stay blank until a new capture draws into them.
    if (captureGeneration_.load() != generation) {
        buffer->unlockBaseAddress();
        return;
    }
    left->drawStereoEye(frame, depth);
    right->drawStereoEye(frame, depth);
    buffer->unlockBaseAddress();
    frames_.fetch_add(1);
}

void TavroDepth3DViewController::setDepthFilterParameters() {
    const int64_t mode = AppDelegate::shared().modelType.load();
    const int64_t previous = timedMode_.load();
    const double now = clockSeconds();
    if (mode != previous) reportModeUsage(previous, now - timedModeStart_.load());
    timedMode_.store(mode);
    timedModeStart_.store(now);
    filter_.setParameters(filterParametersForMode(mode));
}
