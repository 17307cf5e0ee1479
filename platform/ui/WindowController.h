#pragma once
// Holds a window and shows or closes it. Main thread only.

#include <memory>

#include "platform/ui/Window.h"

namespace platform::ui {

class WindowController {
  public:
    explicit WindowController(WindowPtr window) : window_(std::move(window)) {}
    const WindowPtr& window() const { return window_; }
    void setWindow(WindowPtr window) { window_ = std::move(window); }
    // Brings the window to the front and makes it key.
    void showWindow() {
        if (window_) window_->makeKeyAndOrderFront();
    }
    void close() {
        if (window_) window_->close();
    }

  private:
    WindowPtr window_;
};

}  // namespace platform::ui
