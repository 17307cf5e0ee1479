#pragma once
// The status bar and its items: an item has a button (image, action, send-action mask)
// that lives in a small window at the top edge of the main screen, and an optional menu
// that a click opens instead of sending the button's action. With a display, the item
// shows as a tray icon. Main thread only.

#include <memory>
#include <vector>

#include "platform/ui/Button.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Window.h"

namespace platform::ui {

class StatusItem;

// The status item's button: a click opens the item's menu when it has one.
class StatusBarButton final : public Button {
  public:
    explicit StatusBarButton(StatusItem* item, Rect frame) : Button(frame), item_(item) {
        setBordered(false);
    }
    std::string className() const override { return "StatusBarButton"; }
    void mouseDown(const Event& event) override;
    void rightMouseDown(const Event& event) override;

  private:
    bool openMenu();
    StatusItem* item_;
};

enum StatusItemBehavior : unsigned {
    StatusItemRemovalAllowed = 1u << 1,
    StatusItemTerminationOnRemoval = 1u << 2
};

class StatusItem : public std::enable_shared_from_this<StatusItem> {
  public:
    explicit StatusItem(double length);
    ~StatusItem();

    const std::shared_ptr<StatusBarButton>& button() const { return button_; }
    const MenuPtr& menu() const { return menu_; }
    void setMenu(MenuPtr menu) { menu_ = std::move(menu); }
    double length() const { return length_; }
    unsigned behavior() const { return behavior_; }
    void setBehavior(unsigned behavior) { behavior_ = behavior; }
    bool isVisible() const { return visible_; }
    void setVisible(bool visible);
    // The status bar window that holds the button.
    const WindowPtr& window() const { return window_; }
    // Places the item's window at `x` from the right end of the bar (done by the bar).
    void place(double offsetFromRight);
    // The image or anything else of the button changed; tells the display.
    void changed();

  private:
    double length_;
    unsigned behavior_ = 0;
    bool visible_ = true;
    std::shared_ptr<StatusBarButton> button_;
    MenuPtr menu_;
    WindowPtr window_;
};

using StatusItemPtr = std::shared_ptr<StatusItem>;

class StatusBar {
  public:
    static constexpr double kVariableLength = -1;
    static constexpr double kSquareLength = -2;

    static StatusBar& system();
    double thickness() const { return 24; }
    StatusItemPtr statusItemWithLength(double length);
    void removeStatusItem(const StatusItemPtr& item);
    const std::vector<StatusItemPtr>& items() const { return items_; }
    // Places the items along the top of the main screen (again after the displays changed).
    void layout();

  private:
    std::vector<StatusItemPtr> items_;
};

}  // namespace platform::ui
