#pragma once
// One eye's view in the AI-3D window. At every frame the pipeline calls drawStereoEye,
// which reads AppDelegate.depthValue at that moment and draws this view's eye of the
// stereo pair (StereoGenerationHalf.h); the view then shows that picture scaled to its
// bounds. The depth bars of the connected panel and popover write depthValue, so a new
// value takes effect at the next frame.
//
// Threads: drawStereoEye runs on the pipeline's capture queue and touches only the view's
// guarded picture, then asks the main queue to repaint; everything else is main-thread.

#include <cstdint>
#include <memory>

#include "platform/foundation/Mutex.h"
#include "platform/ui/PixelBuffer.h"
#include "platform/ui/View.h"
#include "stereo3d/DepthMap.h"
#include "stereo3d/StereoFrame.h"
#include "stereo3d/StereoGenerationHalf.h"

class MetalView : public platform::ui::View {
  public:
    // What the capture queue reaches of the view: its eye and its latest picture. Kept
    // apart from the view so that the pipeline never holds (or releases) a view off the
    // main thread.
    class Surface {
      public:
        explicit Surface(StereoEye eye) : eye_(eye) {}
        StereoEye eye() const { return eye_; }
        // The latest eye picture, empty before the first frame.
        std::shared_ptr<const platform::ui::PixelBuffer> picture() const;
        uint64_t framesDrawn() const;
        // Draws the eye of `frame` with the depth value of this moment.
        void drawStereoEye(const StereoFrame& frame, const DepthMap& depth);

      private:
        friend class MetalView;
        const StereoEye eye_;
        mutable platform::foundation::Mutex mutex_;
        std::shared_ptr<const platform::ui::PixelBuffer> picture_ TAVRO_GUARDED_BY(mutex_);
        uint64_t frames_ TAVRO_GUARDED_BY(mutex_) = 0;
        std::weak_ptr<platform::ui::View> view_ TAVRO_GUARDED_BY(mutex_);
    };

    static std::shared_ptr<MetalView> make(StereoEye eye, const platform::ui::Rect& frame);
    MetalView(StereoEye eye, const platform::ui::Rect& frame);
    std::string className() const override { return "MetalView"; }

    StereoEye eye() const { return surface_->eye(); }
    const std::shared_ptr<Surface>& surface() const { return surface_; }
    // See Surface::drawStereoEye; any thread.
    void drawStereoEye(const StereoFrame& frame, const DepthMap& depth) {
        surface_->drawStereoEye(frame, depth);
    }

    void drawRect(const platform::ui::Rect& dirtyRect,
                  platform::ui::GraphicsContext& context) override;

  private:
    const std::shared_ptr<Surface> surface_;
};
