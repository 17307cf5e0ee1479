#include "platform/ui/Popover.h"

#include "platform/foundation/AssertMainThread.h"
#include "platform/ui/Application.h"

namespace platform::ui {

Popover::~Popover() {
    if (window_) window_->orderOut();
}

void Popover::setContentViewController(ViewControllerPtr controller) {
    TAVRO_ASSERT_MAIN_THREAD();
    content_ = std::move(controller);
    if (content_ && contentSize_ == Size{}) contentSize_ = content_->view()->frame().size;
    if (shown_ && window_) {
        if (content_)
            window_->setContentView(content_->view());
        else
            close();
    }
}

void Popover::setContentSize(Size size) {
    contentSize_ = size;
    if (shown_ && window_) window_->setContentSize(size);
}

void Popover::showRelativeToRect(const Rect& rect, View& view, RectEdge preferredEdge) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (!content_ || !view.window()) return;
    Rect anchor = view.window()->convertRectToScreen(view.convertRectToView(rect, nullptr));
    Size size = contentSize_ == Size{} ? content_->view()->frame().size : contentSize_;
    Rect screenArea = view.window()->screen() ? view.window()->screen()->frame : Rect{};
    constexpr double gap = 2;
    Point origin;
    switch (preferredEdge) {
        case RectEdge::MaxY:
        case RectEdge::MinY: {
            double above = anchor.maxY() + gap;
            double below = anchor.minY() - gap - size.height;
            bool wantAbove = preferredEdge == RectEdge::MaxY;
            bool fitsAbove = screenArea.isEmpty() || above + size.height <= screenArea.maxY();
            bool fitsBelow = screenArea.isEmpty() || below >= screenArea.minY();
            bool useAbove = wantAbove ? (fitsAbove || !fitsBelow) : !(fitsBelow || !fitsAbove);
            origin = {anchor.midX() - size.width / 2, useAbove ? above : below};
            break;
        }
        case RectEdge::MaxX:
            origin = {anchor.maxX() + gap, anchor.midY() - size.height / 2};
            break;
        case RectEdge::MinX:
            origin = {anchor.minX() - gap - size.width, anchor.midY() - size.height / 2};
            break;
    }
    if (!screenArea.isEmpty()) {
        origin.x = std::clamp(origin.x, screenArea.minX(),
                              std::max(screenArea.minX(), screenArea.maxX() - size.width));
    }
    if (!window_) {
        window_ = Window::make({origin, size}, WindowStyleBorderless);
        // A popover takes key status while it is shown, as the platform's do.
        window_->setCanBecomeKeyWindow(true);
        window_->setLevel(WindowLevelPopUpMenu);
    }
    window_->setFrame({origin, size});
    window_->setContentView(content_->view());
    content_->view()->setFrame({0, 0, size.width, size.height});
    shown_ = true;
    window_->makeKeyAndOrderFront();
    if (auto self = weak_from_this().lock()) Application::shared().popoverShown(self);
}

void Popover::close() {
    TAVRO_ASSERT_MAIN_THREAD();
    if (!shown_) return;
    shown_ = false;
    if (window_) {
        window_->orderOut();
        // The content goes back to its controller alone, free to be shown elsewhere.
        window_->setContentView(std::make_shared<View>());
    }
}

}  // namespace platform::ui
