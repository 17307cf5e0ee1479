#include "stereo3d/MetalView.h"

#include "appstate/AppDelegate.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Mutex.h"
#include "platform/ui/Application.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Image.h"
#include "platform/ui/Window.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

using platform::ui::PixelBuffer;

std::shared_ptr<const PixelBuffer> MetalView::Surface::picture() const {
    MutexLock lock(mutex_);
    return picture_;
}

uint64_t MetalView::Surface::framesDrawn() const {
    MutexLock lock(mutex_);
    return frames_;
}

void MetalView::Surface::drawStereoEye(const StereoFrame& frame, const DepthMap& depth) {
    if (frame.empty()) return;
    // Read at every frame: the depth bars change it while the mode runs.
    const float depthValue = AppDelegate::shared().depthValue.load();
    auto picture = std::make_shared<PixelBuffer>();
    picture->width = int(frame.width);
    picture->height = int(frame.height);
    picture->argb.resize(frame.width * frame.height);
    ::drawStereoEye(frame, depth, depthValue, eye_, picture->argb.data(), frame.width);
    std::weak_ptr<platform::ui::View> view;
    {
        MutexLock lock(mutex_);
        picture_ = std::move(picture);
        ++frames_;
        view = view_;
    }
    platform::foundation::mainQueue()->async([view] {
        auto shown = view.lock();
        if (!shown) return;
        shown->setNeedsDisplay();
        if (auto* window = shown->window())
            platform::ui::Application::shared().windowChanged(*window);
    });
}

std::shared_ptr<MetalView> MetalView::make(StereoEye eye, const platform::ui::Rect& frame) {
    auto view = std::make_shared<MetalView>(eye, frame);
    MutexLock lock(view->surface_->mutex_);
    view->surface_->view_ = view;
    return view;
}

MetalView::MetalView(StereoEye eye, const platform::ui::Rect& frame)
    : View(frame), surface_(std::make_shared<Surface>(eye)) {}

void MetalView::drawRect(const platform::ui::Rect& dirtyRect,
                         platform::ui::GraphicsContext& context) {
    View::drawRect(dirtyRect, context);
    auto picture = surface_->picture();
    if (!picture || picture->isEmpty()) return;
    auto image = platform::ui::Image::fromPixels(*picture);
    context.drawImage(*image, bounds());
}
