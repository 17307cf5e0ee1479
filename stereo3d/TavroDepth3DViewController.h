#pragma once
// The content of the AI-3D window: the left and right eye views side by side (the glasses
// show the two halves of their screen to the two eyes) and the pipeline that feeds them.
// The pipeline captures the main display; for every captured frame it asks the depth
// model for a depth map, smooths it over time with the depth filter and draws both eyes.
//
// Threads: startCapture, stopCapture and setDepthFilterParameters may be called from any
// thread; capture starts and stops asynchronously. Frames are handled on the serial
// capture queue "com.tavro.depth3d.capture". The eye views are replaced on the main queue;
// the view itself is main-thread only.

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Guarded.h"
#include "platform/ui/ViewController.h"
#include "stereo3d/MetalView.h"
#include "stereo3d/TavroDepthModel.h"
#include "stereo3d/TavroDynamicDepthFilter.h"

namespace platform::capture {
class CaptureStream;
struct SampleBuffer;
}  // namespace platform::capture

class TavroDepth3DViewController : public platform::ui::ViewController {
  public:
    // Frames per second asked of the capture.
    static constexpr double kCaptureFramesPerSecond = 60.0;

    TavroDepth3DViewController();
    ~TavroDepth3DViewController() override;
    std::string className() const override { return "TavroDepth3DViewController"; }

    // Stops any capture, then, while glasses are connected, starts capturing the main
    // display.
    void startCapture();
    // Stops and forgets the running capture (if any), resets the depth filter and replaces
    // the two eye views with fresh ones.
    void stopCapture();
    // Reports the mode's usage when the screen mode changed since its timing started,
    // restarts the timing, and sets the depth filter's parameters for AppDelegate.modelType.
    void setDepthFilterParameters();

    // The filter's parameters for a screen mode (0 web, 1 game, 2 video, others).
    static TavroDynamicDepthFilter::Parameters filterParametersForMode(int64_t mode);

    // Replaces the depth model (the CPU estimate until then); any thread.
    void setDepthModel(TavroDepthModelPtr model);

    bool isCapturing() const { return capturing_.load(); }
    TavroDynamicDepthFilter& depthFilter() { return filter_; }
    // The eye surfaces the pipeline draws into right now.
    std::shared_ptr<MetalView::Surface> leftEyeSurface() const { return leftSurface_.get(); }
    std::shared_ptr<MetalView::Surface> rightEyeSurface() const { return rightSurface_.get(); }
    // Main thread: the eye views in the window.
    std::shared_ptr<MetalView> leftEyeView() const { return leftView_; }
    std::shared_ptr<MetalView> rightEyeView() const { return rightView_; }
    // Frames handled since the controller was made.
    uint64_t framesProcessed() const { return frames_.load(); }
    // The screen mode whose usage is being timed, and since when (clock seconds).
    int64_t timedMode() const { return timedMode_.load(); }
    double timedModeStart() const { return timedModeStart_.load(); }

  protected:
    void loadView() override;

  private:
    // `generation` is the capture's own; a frame of a capture stopped meanwhile draws nothing.
    void handleFrame(const platform::capture::SampleBuffer& sample, uint64_t generation);
    void replaceEyeViews();  // main thread

    platform::foundation::DispatchQueuePtr captureQueue_;
    platform::foundation::Mutex streamMutex_;
    std::shared_ptr<platform::capture::CaptureStream> stream_ TAVRO_GUARDED_BY(streamMutex_);
    std::atomic<bool> capturing_{false};
    std::atomic<uint64_t> frames_{0};
    // Moves on at every start and stop (before the surfaces are replaced).
    std::atomic<uint64_t> captureGeneration_{0};
    TavroDynamicDepthFilter filter_;
    platform::foundation::Guarded<TavroDepthModelPtr> model_;
    platform::foundation::Guarded<std::shared_ptr<MetalView::Surface>> leftSurface_;
    platform::foundation::Guarded<std::shared_ptr<MetalView::Surface>> rightSurface_;
    std::shared_ptr<MetalView> leftView_;   // main thread
    std::shared_ptr<MetalView> rightView_;  // main thread
    std::atomic<int64_t> timedMode_{0};
    std::atomic<double> timedModeStart_{0};
};
