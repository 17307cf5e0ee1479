#pragma once
// A window: a content rectangle on a screen (global y-up coordinates), a style mask, a
// level, a background colour, a content view or a content view controller, key and front
// state, and the dispatch of mouse and key events into its view tree (hit testing, mouse
// tracking for drags, tracking areas, gesture recognisers, first responder). The window's
// frame is its content rectangle: title bars belong to the display backend. Windows are
// registered with the Application while they are on screen. Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Color.h"
#include "platform/ui/Event.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Screen.h"

namespace platform::ui {

class View;
class Button;
class ViewController;

enum WindowStyleMask : unsigned {
    WindowStyleBorderless = 0,
    WindowStyleTitled = 1u << 0,
    WindowStyleClosable = 1u << 1,
    WindowStyleMiniaturizable = 1u << 2,
    WindowStyleResizable = 1u << 3,
    WindowStyleFullScreen = 1u << 14,
    WindowStyleFullSizeContentView = 1u << 15,
};

enum WindowLevel : int {
    WindowLevelNormal = 0,
    WindowLevelFloating = 3,
    WindowLevelModalPanel = 8,
    WindowLevelMainMenu = 24,
    WindowLevelStatusBar = 25,
    WindowLevelPopUpMenu = 101,
    WindowLevelScreenSaver = 1000,
};

enum class WindowButton { Close = 0, Miniaturize = 1, Zoom = 2 };

class Window : public std::enable_shared_from_this<Window> {
  public:
    // A window whose content rectangle is `contentRect` (global coordinates); the screen
    // only records where it was meant to be, as the platform's initialiser does.
    static std::shared_ptr<Window> make(const Rect& contentRect, unsigned styleMask,
                                        std::optional<Screen> screen = std::nullopt);
    Window(const Rect& contentRect, unsigned styleMask, std::optional<Screen> screen);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    int windowNumber() const { return number_; }
    const Rect& frame() const { return frame_; }
    void setFrame(const Rect& frame);
    void setFrameOrigin(Point origin) { setFrame({origin, frame_.size}); }
    void setContentSize(Size size);
    unsigned styleMask() const { return styleMask_; }
    void setStyleMask(unsigned mask) {
        styleMask_ = mask;
        changed();
    }
    int level() const { return level_; }
    void setLevel(int level);
    const Color& backgroundColor() const { return background_; }
    void setBackgroundColor(const Color& color) {
        background_ = color;
        changed();
    }
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }
    const std::string& title() const { return title_; }
    void setTitle(std::string title) {
        title_ = std::move(title);
        changed();
    }
    bool titlebarAppearsTransparent() const { return titlebarTransparent_; }
    void setTitlebarAppearsTransparent(bool transparent) { titlebarTransparent_ = transparent; }
    bool isReleasedWhenClosed() const { return releasedWhenClosed_; }
    void setReleasedWhenClosed(bool released) { releasedWhenClosed_ = released; }
    bool isRestorable() const { return restorable_; }
    void setRestorable(bool restorable) { restorable_ = restorable; }
    unsigned collectionBehavior() const { return collectionBehavior_; }
    void setCollectionBehavior(unsigned behavior) { collectionBehavior_ = behavior; }
    bool ignoresMouseEvents() const { return ignoresMouseEvents_; }
    void setIgnoresMouseEvents(bool ignores) { ignoresMouseEvents_ = ignores; }
    // The title-bar buttons of a titled window (null for a borderless one).
    Button* standardWindowButton(WindowButton which) const;

    // Content.
    const std::shared_ptr<View>& contentView() const { return contentView_; }
    void setContentView(std::shared_ptr<View> view);
    const std::shared_ptr<ViewController>& contentViewController() const {
        return contentViewController_;
    }
    // Shows the controller's view (loading it first) and sizes the window to it.
    void setContentViewController(std::shared_ptr<ViewController> controller);

    // Ordering and key state. As on the platform, a window with a title bar or a resize
    // bar can become key and a borderless one cannot (a HUD or the status item must not
    // take key status from the main window); a window that needs otherwise says so.
    bool isVisible() const { return visible_; }
    bool isKeyWindow() const;
    bool canBecomeKeyWindow() const;
    void setCanBecomeKeyWindow(std::optional<bool> can) { canBecomeKey_ = can; }
    void makeKeyAndOrderFront();
    void makeKeyWindow();
    void orderFront();
    void orderOut();
    void close();
    // Centres the window on its screen's visible frame.
    void center();
    // The screen the window is mostly on, else the one it was made for, else the first.
    std::optional<Screen> screen() const;

    // Full screen: the window covers the whole frame of `screen` (menu bar included) and
    // carries WindowStyleFullScreen until it leaves, which gives it back the frame and
    // style it had. Entering again moves it to the other screen and keeps the frame to go
    // back to. toggleFullScreen enters on the window's own screen or leaves.
    void enterFullScreen(const Screen& screen);
    void exitFullScreen();
    void toggleFullScreen();
    bool isFullScreen() const { return fullScreenDisplay_.has_value(); }
    // The display the window is full screen on.
    std::optional<uint32_t> fullScreenDisplay() const { return fullScreenDisplay_; }

    // Coordinates: the window's base space has its origin at the content's bottom left.
    Point convertPointToScreen(Point point) const {
        return {point.x + frame_.origin.x, point.y + frame_.origin.y};
    }
    Point convertPointFromScreen(Point point) const {
        return {point.x - frame_.origin.x, point.y - frame_.origin.y};
    }
    Rect convertRectToScreen(const Rect& rect) const {
        return rect.offsetBy(frame_.origin.x, frame_.origin.y);
    }

    // Events.
    void sendEvent(const Event& event);
    View* firstResponder() const { return firstResponder_.lock().get(); }
    bool makeFirstResponder(View* view);

    // Called by View when a subtree leaves this window.
    void viewWillLeave(View* view);

  private:
    void changed();
    void dispatchMouse(const Event& event);
    void updateTracking(const Event& event);
    void runRecognizers(View* hit, const Event& event);

    int number_;
    Rect frame_;
    unsigned styleMask_;
    std::optional<bool> canBecomeKey_;
    std::optional<Screen> intendedScreen_;
    int level_ = WindowLevelNormal;
    Color background_ = Color::withWhite(0.93, 1.0);
    bool opaque_ = true;
    std::string title_;
    bool titlebarTransparent_ = false;
    bool releasedWhenClosed_ = true;
    bool restorable_ = true;
    unsigned collectionBehavior_ = 0;
    bool ignoresMouseEvents_ = false;
    bool visible_ = false;
    std::optional<uint32_t> fullScreenDisplay_;
    Rect frameBeforeFullScreen_;
    unsigned styleBeforeFullScreen_ = 0;
    std::shared_ptr<View> contentView_;
    std::shared_ptr<ViewController> contentViewController_;
    std::vector<std::shared_ptr<Button>> titleButtons_;
    std::weak_ptr<View> mouseDownView_;
    std::weak_ptr<View> firstResponder_;
    std::vector<std::weak_ptr<class GestureRecognizer>> activeRecognizers_;
};

using WindowPtr = std::shared_ptr<Window>;

}  // namespace platform::ui
