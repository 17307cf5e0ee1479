#include "platform/ui/Application.h"

#include <algorithm>

#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/DisplayBackend.h"
#include "platform/ui/KeepWindowsOnScreens.h"
#include "platform/ui/Popover.h"
#include "platform/ui/Window.h"

namespace platform::ui {

Application& Application::shared() {
    static Application* application = [] {
        // The window server keeps the windows on the screens as the displays change.
        followDisplayChanges();
        return new Application();
    }();
    return *application;
}

std::vector<std::shared_ptr<Window>> Application::orderedWindows() const {
    return windows_;
}

std::shared_ptr<Window> Application::keyWindow() const {
    auto key = key_.lock();
    return key && key->isVisible() ? key : nullptr;
}

void Application::setKeyWindow(const std::shared_ptr<Window>& window) {
    key_ = window;
}

void Application::windowOrderedFront(const std::shared_ptr<Window>& window, bool makeKey) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
    // In front of every window of its level or lower.
    auto at = std::find_if(windows_.begin(), windows_.end(), [&](const std::shared_ptr<Window>& w) {
        return w->level() <= window->level();
    });
    windows_.insert(at, window);
    if (makeKey) key_ = window;
}

void Application::windowOrderedOut(Window* window) {
    windows_.erase(
        std::remove_if(windows_.begin(), windows_.end(),
                       [&](const std::shared_ptr<Window>& w) { return w.get() == window; }),
        windows_.end());
    // Key status passes to the frontmost visible window that can take it, as it does when
    // the platform closes the key window; otherwise keyboard input would go nowhere.
    if (key_.lock().get() == window) {
        key_.reset();
        for (const auto& w : windows_) {
            if (w->isVisible() && w->canBecomeKeyWindow()) {
                key_ = w;
                break;
            }
        }
    }
}

void Application::windowChanged(Window& window) {
    if (backend_ && window.isVisible()) backend_->windowChanged(window);
}

void Application::popoverShown(const std::shared_ptr<Popover>& popover) {
    popovers_.erase(std::remove_if(popovers_.begin(), popovers_.end(),
                                   [&](const std::weak_ptr<Popover>& p) {
                                       auto live = p.lock();
                                       return !live || live == popover;
                                   }),
                    popovers_.end());
    popovers_.push_back(popover);
}

void Application::closeTransientPopovers(const Window* clickedWindow) {
    auto shown = popovers_;
    for (auto& weak : shown) {
        auto popover = weak.lock();
        if (!popover || !popover->isShown() || popover->behavior() != PopoverBehavior::Transient)
            continue;
        if (clickedWindow && popover->window().get() == clickedWindow) continue;
        popover->close();
    }
}

namespace {
bool isMouseDown(EventType type) {
    return type == EventType::LeftMouseDown || type == EventType::RightMouseDown ||
           type == EventType::OtherMouseDown;
}
}  // namespace

void Application::sendEvent(const Event& incoming) {
    TAVRO_ASSERT_MAIN_THREAD();
    // A terminating application takes no more input: the quit runs the main loop while it
    // waits, and a click then must not start anything.
    if (terminateRequested_) return;
    std::vector<Monitor> monitors;
    {
        foundation::MutexLock lock(monitorMutex_);
        monitors = monitors_;
    }
    auto previous = currentEvent_;
    currentEvent_ = incoming;
    if (auto window = incoming.windowPtr()) {
        if (incoming.type <= EventType::MouseExited || incoming.type == EventType::ScrollWheel) {
            Event::setMouseLocation(window->convertPointToScreen(incoming.locationInWindow));
        }
    }
    std::optional<Event> event = incoming;
    for (const Monitor& m : monitors) {
        if (!m.local || !(m.mask & eventMask(event->type))) continue;
        event = m.local(*event);
        if (!event) break;
    }
    if (event) {
        currentEvent_ = *event;
        auto window = event->windowPtr();
        if (isMouseDown(event->type)) {
            closeTransientPopovers(window.get());
            // A click brings its window to the front and makes it key.
            if (window && window->isVisible() && window->canBecomeKeyWindow() &&
                !window->isKeyWindow()) {
                window->makeKeyAndOrderFront();
            }
        }
        if (window) window->sendEvent(*event);
    }
    currentEvent_ = previous;
}

void Application::sendGlobalEvent(const Event& event) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (terminateRequested_) return;
    std::vector<Monitor> monitors;
    {
        foundation::MutexLock lock(monitorMutex_);
        monitors = monitors_;
    }
    if (event.type <= EventType::MouseExited) Event::setMouseLocation(event.locationInWindow);
    for (const Monitor& m : monitors) {
        if (m.global && (m.mask & eventMask(event.type))) m.global(event);
    }
    if (isMouseDown(event.type)) closeTransientPopovers(nullptr);
}

MonitorToken Application::addLocalMonitor(EventMask mask, LocalHandler handler) {
    if (!handler) return 0;
    foundation::MutexLock lock(monitorMutex_);
    monitors_.push_back({nextToken_, mask, std::move(handler), nullptr});
    return nextToken_++;
}

MonitorToken Application::addGlobalMonitor(EventMask mask, GlobalHandler handler) {
    if (!handler) return 0;
    foundation::MutexLock lock(monitorMutex_);
    monitors_.push_back({nextToken_, mask, nullptr, std::move(handler)});
    return nextToken_++;
}

void Application::removeMonitor(MonitorToken token) {
    foundation::MutexLock lock(monitorMutex_);
    monitors_.erase(std::remove_if(monitors_.begin(), monitors_.end(),
                                   [&](const Monitor& m) { return m.token == token; }),
                    monitors_.end());
}

size_t Application::monitorCount() const {
    foundation::MutexLock lock(monitorMutex_);
    return monitors_.size();
}

void Application::setActive(bool active) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (active == active_) return;
    active_ = active;
    platform::foundation::NotificationCenter::defaultCenter().post(
        active ? kDidBecomeActiveNotification : kDidResignActiveNotification);
}

void Application::reopen() {
    TAVRO_ASSERT_MAIN_THREAD();
    bool visible =
        std::any_of(windows_.begin(), windows_.end(), [](const std::shared_ptr<Window>& w) {
            return w->isVisible() && w->level() == WindowLevelNormal;
        });
    if (reopenHandler_) {
        auto handler = reopenHandler_;
        handler(visible);
    }
}

void Application::terminate() {
    TAVRO_ASSERT_MAIN_THREAD();
    // However many ways the quit comes (a signal, the menu, an alert's own button while a
    // signal's quit runs), it runs once.
    if (terminateRequested_) return;
    terminateRequested_ = true;
    if (terminateHandler_) terminateHandler_();
}

void Application::reset() {
    auto windows = windows_;
    for (auto& w : windows) w->orderOut();
    windows_.clear();
    key_.reset();
    popovers_.clear();
    currentEvent_.reset();
    terminateRequested_ = false;
    terminateHandler_ = nullptr;
    reopenHandler_ = nullptr;
    active_ = false;
    foundation::MutexLock lock(monitorMutex_);
    monitors_.clear();
}

}  // namespace platform::ui
