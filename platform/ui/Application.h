#pragma once
// The application as the window server sees it: its windows in front-to-back order, the
// key window, the event being handled, local and global event monitors, transient
// popovers, termination, and the display backend that shows all this on a real display
// (none: headless). Events enter through sendEvent (this application's) and
// sendGlobalEvent (other applications', which only global monitors see).
//
// Main thread only, except that monitors may be added and removed from any thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "platform/ui/Event.h"

namespace platform::ui {

class DisplayBackend;
class Popover;
class Window;

using MonitorToken = uint64_t;

class Application {
  public:
    static Application& shared();

    std::vector<std::shared_ptr<Window>> orderedWindows() const;
    std::shared_ptr<Window> keyWindow() const;
    const std::optional<Event>& currentEvent() const { return currentEvent_; }
    // Becoming active or inactive posts kDidBecomeActiveNotification or
    // kDidResignActiveNotification on the default notification centre (once per change).
    static constexpr const char* kDidBecomeActiveNotification = "ApplicationDidBecomeActive";
    static constexpr const char* kDidResignActiveNotification = "ApplicationDidResignActive";
    bool isActive() const { return active_; }
    void activate() { setActive(true); }
    void setActive(bool active);

    // The user reopened the application (from the Dock): the handler hears whether any
    // ordinary window is visible.
    void setReopenHandler(std::function<void(bool hasVisibleWindows)> handler) {
        reopenHandler_ = std::move(handler);
    }
    void reopen();

    // An event of this application: local monitors see it first (and may swallow it), then
    // its window gets it. A mouse-down outside a transient popover closes the popover.
    void sendEvent(const Event& event);
    // An event of another application: global monitors see it; transient popovers close
    // on a click.
    void sendGlobalEvent(const Event& event);

    // A local monitor's handler answers the event to go on with, or none to swallow it.
    using LocalHandler = std::function<std::optional<Event>(const Event&)>;
    using GlobalHandler = std::function<void(const Event&)>;
    MonitorToken addLocalMonitor(EventMask mask, LocalHandler handler);
    MonitorToken addGlobalMonitor(EventMask mask, GlobalHandler handler);
    void removeMonitor(MonitorToken token);
    size_t monitorCount() const;

    // What terminate() runs; set by the application shell. terminate() runs it once: later
    // calls do nothing, and from the first on the application takes no more events (and
    // shows no more alerts, Alert.h).
    void setTerminateHandler(std::function<void()> handler) {
        terminateHandler_ = std::move(handler);
    }
    void terminate();
    bool terminateRequested() const { return terminateRequested_; }

    void setBackend(std::shared_ptr<DisplayBackend> backend) { backend_ = std::move(backend); }
    const std::shared_ptr<DisplayBackend>& backend() const { return backend_; }

    // Called by windows and popovers.
    void windowOrderedFront(const std::shared_ptr<Window>& window, bool makeKey);
    void windowOrderedOut(Window* window);
    void windowChanged(Window& window);
    void setKeyWindow(const std::shared_ptr<Window>& window);
    void popoverShown(const std::shared_ptr<Popover>& popover);

    // Tests: forgets windows, monitors, popovers, the current event and the terminate state.
    void reset();

  private:
    Application() = default;
    void closeTransientPopovers(const Window* clickedWindow);

    struct Monitor {
        MonitorToken token;
        EventMask mask;
        LocalHandler local;
        GlobalHandler global;
    };

    std::vector<std::shared_ptr<Window>> windows_;  // front first
    std::weak_ptr<Window> key_;
    std::optional<Event> currentEvent_;
    // An application becomes active once it has finished launching.
    bool active_ = false;
    std::vector<std::weak_ptr<Popover>> popovers_;
    std::function<void()> terminateHandler_;
    std::function<void(bool)> reopenHandler_;
    bool terminateRequested_ = false;
    std::shared_ptr<DisplayBackend> backend_;

    mutable foundation::Mutex monitorMutex_;
    std::vector<Monitor> monitors_ TAVRO_GUARDED_BY(monitorMutex_);
    MonitorToken nextToken_ TAVRO_GUARDED_BY(monitorMutex_) = 1;
};

}  // namespace platform::ui
