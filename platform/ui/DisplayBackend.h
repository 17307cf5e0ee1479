#pragma once
// Where windows, the status item, menus and alerts appear. Headless (no backend) they
// exist only as objects: windows render to pictures on request, alerts are answered by
// the alert responder, and input is injected through the Application. The Qt backend
// shows them on a real display and feeds real mouse and key events in. Chosen in one
// place, makeDisplayBackend. Main thread only.

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/Geometry.h"
#include "platform/ui/PixelBuffer.h"

namespace platform::ui {

class Alert;
class Menu;
class StatusItem;
class Window;

class DisplayBackend {
  public:
    virtual ~DisplayBackend() = default;

    virtual void windowShown(Window& window) = 0;
    virtual void windowHidden(Window& window) = 0;
    // Frame, content or looks changed: repaint.
    virtual void windowChanged(Window& window) = 0;
    virtual void windowDestroyed(int windowNumber) = 0;
    virtual void statusItemChanged(StatusItem& item) = 0;
    virtual void statusItemRemoved(StatusItem& item) = 0;
    // Runs the alert modally on the display; none when it could not be shown.
    virtual std::optional<int> runAlert(const Alert& alert) = 0;
    virtual void menuOpened(Menu& menu) = 0;

    // For display tests and scenarios: whether a window is mapped on the display, whether
    // a status item's tray icon (or its stand-in window) is up, a picture of the whole
    // display, and a click at a point of the display delivered as the display's own event.
    virtual bool isOnDisplay(const Window& window) const = 0;
    virtual bool isTrayIconShown(const StatusItem& item) const = 0;
    // Whether the display has a system-tray host that takes tray icons.
    virtual bool hasTrayHost() const = 0;
    virtual PixelBuffer grabDisplay() const = 0;
    virtual bool clickOnDisplay(Point screenPoint, bool rightButton) = 0;
};

enum class DisplayChoice {
    Headless,   // no display, whatever the environment offers
    Display,    // the X display named by DISPLAY; fails without one
    Automatic,  // the display when one is reachable, else headless
};

// The backend for `choice`, installed in the Application; null means headless. Fails
// (answering null and setting `error`) only when a display was required but none works.
std::shared_ptr<DisplayBackend> startDisplay(DisplayChoice choice, std::string* error = nullptr);

}  // namespace platform::ui
