#include "platform/ui/Window.h"

#include <algorithm>
#include <atomic>
#include <functional>

#include "platform/foundation/AssertMainThread.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/DisplayBackend.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"

namespace platform::ui {

namespace {
std::atomic<int> nextWindowNumber{1};
}

std::shared_ptr<Window> Window::make(const Rect& contentRect, unsigned styleMask,
                                     std::optional<Screen> screen) {
    return std::make_shared<Window>(contentRect, styleMask, std::move(screen));
}

Window::Window(const Rect& contentRect, unsigned styleMask, std::optional<Screen> screen)
    : number_(nextWindowNumber++),
      frame_(contentRect),
      styleMask_(styleMask),
      intendedScreen_(std::move(screen)) {
    if (styleMask & WindowStyleTitled) {
        for (int i = 0; i < 3; ++i)
            titleButtons_.push_back(std::make_shared<Button>(Rect{0, 0, 14, 16}));
    }
    setContentView(
        std::make_shared<View>(Rect{0, 0, contentRect.size.width, contentRect.size.height}));
}

Window::~Window() {
    if (contentView_) contentView_->setWindow(nullptr);
    if (auto& backend = Application::shared().backend()) backend->windowDestroyed(number_);
}

void Window::changed() {
    Application::shared().windowChanged(*this);
}

void Window::setFrame(const Rect& frame) {
    frame_ = frame;
    if (contentView_) contentView_->setFrame({0, 0, frame.size.width, frame.size.height});
    changed();
}

void Window::setContentSize(Size size) {
    // The top edge stays where it is, as when the platform resizes a window.
    setFrame({frame_.origin.x, frame_.maxY() - size.height, size.width, size.height});
}

void Window::setLevel(int level) {
    level_ = level;
    if (auto self = weak_from_this().lock(); self && visible_)
        Application::shared().windowOrderedFront(self, isKeyWindow());
    changed();
}

Button* Window::standardWindowButton(WindowButton which) const {
    auto index = static_cast<size_t>(which);
    return index < titleButtons_.size() ? titleButtons_[index].get() : nullptr;
}

void Window::setContentView(std::shared_ptr<View> view) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (view == contentView_) return;
    if (contentView_) {
        viewWillLeave(contentView_.get());
        contentView_->setWindow(nullptr);
    }
    contentView_ = std::move(view);
    if (contentView_) {
        contentView_->removeFromSuperview();
        contentView_->setFrame({0, 0, frame_.size.width, frame_.size.height});
        contentView_->setWindow(this);
    }
    changed();
}

void Window::setContentViewController(std::shared_ptr<ViewController> controller) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (controller == contentViewController_) return;
    contentViewController_ = std::move(controller);
    if (!contentViewController_) {
        setContentView(std::make_shared<View>(Rect{0, 0, frame_.size.width, frame_.size.height}));
        return;
    }
    auto view = contentViewController_->view();
    Size size = view->frame().size;
    if (size.width > 0 && size.height > 0) {
        frame_ = {frame_.origin.x, frame_.maxY() - size.height, size.width, size.height};
    }
    setContentView(view);
}

bool Window::isKeyWindow() const {
    return Application::shared().keyWindow().get() == this;
}

bool Window::canBecomeKeyWindow() const {
    if (canBecomeKey_) return *canBecomeKey_;
    return (styleMask_ & (WindowStyleTitled | WindowStyleResizable)) != 0;
}

void Window::makeKeyAndOrderFront() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto self = weak_from_this().lock();
    if (!self) return;  // only windows made by make() go on screen
    bool wasVisible = visible_;
    visible_ = true;
    Application::shared().windowOrderedFront(self, canBecomeKeyWindow());
    if (auto& backend = Application::shared().backend(); backend && !wasVisible)
        backend->windowShown(*this);
    changed();
}

void Window::makeKeyWindow() {
    if (auto self = weak_from_this().lock(); self && visible_ && canBecomeKeyWindow())
        Application::shared().setKeyWindow(self);
}

void Window::orderFront() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto self = weak_from_this().lock();
    if (!self) return;
    bool wasVisible = visible_;
    visible_ = true;
    Application::shared().windowOrderedFront(self, false);
    if (auto& backend = Application::shared().backend(); backend && !wasVisible)
        backend->windowShown(*this);
    changed();
}

void Window::orderOut() {
    TAVRO_ASSERT_MAIN_THREAD();
    if (!visible_) return;
    visible_ = false;
    Application::shared().windowOrderedOut(this);
    if (auto& backend = Application::shared().backend()) backend->windowHidden(*this);
}

void Window::close() {
    TAVRO_ASSERT_MAIN_THREAD();
    orderOut();
}

void Window::center() {
    auto where = screen();
    if (!where) return;
    const Rect& area = where->visibleFrame;
    setFrameOrigin({std::round(area.midX() - frame_.size.width / 2),
                    std::round(area.midY() - frame_.size.height / 2)});
}

std::optional<Screen> Window::screen() const {
    auto all = Screen::screens();
    if (all.empty()) return std::nullopt;
    const Screen* best = nullptr;
    double bestArea = 0;
    for (const Screen& s : all) {
        Rect overlap = s.frame.intersection(frame_);
        double area = overlap.width() * overlap.height();
        if (area > bestArea) {
            bestArea = area;
            best = &s;
        }
    }
    if (best) return *best;
    if (intendedScreen_) {
        for (const Screen& s : all) {
            if (s.displayId == intendedScreen_->displayId) return s;
        }
    }
    return all.front();
}

void Window::enterFullScreen(const Screen& target) {
    if (!fullScreenDisplay_) {
        frameBeforeFullScreen_ = frame_;
        styleBeforeFullScreen_ = styleMask_;
    }
    fullScreenDisplay_ = target.displayId;
    styleMask_ = styleBeforeFullScreen_ | WindowStyleFullScreen;
    setFrame(target.frame);
}

void Window::exitFullScreen() {
    if (!fullScreenDisplay_) return;
    fullScreenDisplay_.reset();
    styleMask_ = styleBeforeFullScreen_;
    setFrame(frameBeforeFullScreen_);
}

void Window::toggleFullScreen() {
    if (fullScreenDisplay_) {
        exitFullScreen();
    } else if (auto where = screen()) {
        enterFullScreen(*where);
    }
}

// --- events -------------------------------------------------------------------------------

bool Window::makeFirstResponder(View* view) {
    auto current = firstResponder_.lock();
    if (current.get() == view) return true;
    if (current && !current->resignFirstResponder()) return false;
    if (!view) {
        firstResponder_.reset();
        return true;
    }
    if (view->window() != this || !view->acceptsFirstResponder() || !view->becomeFirstResponder())
        return false;
    firstResponder_ = view->sharedView();
    return true;
}

void Window::viewWillLeave(View* view) {
    auto isInside = [&](const std::weak_ptr<View>& weak) {
        auto v = weak.lock();
        return v && v->isDescendantOf(view);
    };
    if (isInside(mouseDownView_)) mouseDownView_.reset();
    if (isInside(firstResponder_)) firstResponder_.reset();
}

void Window::sendEvent(const Event& event) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (event.type == EventType::KeyDown || event.type == EventType::KeyUp) {
        auto responder = firstResponder_.lock();
        if (responder && event.type == EventType::KeyDown) responder->keyDown(event);
        return;
    }
    if (ignoresMouseEvents_) return;
    dispatchMouse(event);
}

void Window::runRecognizers(View* hit, const Event& event) {
    if (event.type == EventType::LeftMouseDown) {
        activeRecognizers_.clear();
        for (View* v = hit; v; v = v->superview()) {
            for (auto& r : v->gestureRecognizers()) {
                if (r->isEnabled()) activeRecognizers_.push_back(r);
            }
        }
    }
    auto active = activeRecognizers_;
    for (auto& weak : active) {
        auto r = weak.lock();
        if (!r) continue;
        if (event.type == EventType::LeftMouseDown)
            r->mouseDown(event);
        else if (event.type == EventType::LeftMouseDragged)
            r->mouseDragged(event);
        else if (event.type == EventType::LeftMouseUp)
            r->mouseUp(event);
    }
    if (event.type == EventType::LeftMouseUp) activeRecognizers_.clear();
}

void Window::dispatchMouse(const Event& event) {
    auto self = weak_from_this().lock();  // handlers may close and drop the window
    switch (event.type) {
        case EventType::LeftMouseDown:
        case EventType::RightMouseDown: {
            View* hit = contentView_ ? contentView_->hitTest(event.locationInWindow) : nullptr;
            mouseDownView_ = hit ? hit->sharedView() : nullptr;
            if (!hit) return;
            auto keep = hit->sharedView();
            if (event.type == EventType::LeftMouseDown) {
                if (hit->acceptsFirstResponder()) makeFirstResponder(hit);
                runRecognizers(hit, event);
                hit->mouseDown(event);
            } else {
                hit->rightMouseDown(event);
            }
            return;
        }
        case EventType::LeftMouseDragged:
        case EventType::RightMouseDragged: {
            if (event.type == EventType::LeftMouseDragged) runRecognizers(nullptr, event);
            if (auto target = mouseDownView_.lock()) target->mouseDragged(event);
            return;
        }
        case EventType::LeftMouseUp:
        case EventType::RightMouseUp: {
            if (event.type == EventType::LeftMouseUp) runRecognizers(nullptr, event);
            auto target = mouseDownView_.lock();
            mouseDownView_.reset();
            if (!target) return;
            if (event.type == EventType::LeftMouseUp)
                target->mouseUp(event);
            else
                target->rightMouseUp(event);
            return;
        }
        case EventType::MouseMoved:
            updateTracking(event);
            return;
        default:
            return;
    }
}

void Window::updateTracking(const Event& event) {
    if (!contentView_) return;
    struct Hit {
        std::shared_ptr<View> owner;
        TrackingAreaPtr area;
        bool inside;
    };
    std::vector<Hit> hits;
    std::function<void(View&)> walk = [&](View& view) {
        if (view.isHidden()) return;
        Point local = view.convertPointFromView(event.locationInWindow, nullptr);
        for (const auto& area : view.trackingAreas()) {
            Rect rect = (area->options() & TrackingInVisibleRect) ? view.bounds() : area->rect();
            auto owner = area->owner();
            if (owner) hits.push_back({owner, area, view.mouseInRect(local, rect)});
        }
        for (const auto& sub : view.subviews()) walk(*sub);
    };
    walk(*contentView_);
    for (const Hit& h : hits) {
        bool was = h.area->mouseInside;
        h.area->mouseInside = h.inside;
        if (h.area->options() & TrackingMouseEnteredAndExited) {
            if (h.inside && !was) h.owner->mouseEntered(event);
            if (!h.inside && was) h.owner->mouseExited(event);
        }
        if (h.inside && (h.area->options() & TrackingMouseMoved)) h.owner->mouseMoved(event);
    }
}

}  // namespace platform::ui
