#pragma once
// Menus: items with a title, an action, a key equivalent (with the command modifier by
// default), a tag and an enabled flag; a delegate hears when the menu opens and closes.
// A key event whose characters match an enabled item's key equivalent performs it.
// Main thread only.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Event.h"

namespace platform::ui {

class Menu;

class MenuItem {
  public:
    using Action = std::function<void(MenuItem&)>;
    MenuItem(std::string title, Action action, std::string keyEquivalent)
        : title_(std::move(title)),
          action_(std::move(action)),
          keyEquivalent_(std::move(keyEquivalent)) {}
    static std::shared_ptr<MenuItem> separator();

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    const std::string& keyEquivalent() const { return keyEquivalent_; }
    void setKeyEquivalent(std::string key) { keyEquivalent_ = std::move(key); }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    bool isSeparator() const { return separator_; }
    void setAction(Action action) { action_ = std::move(action); }
    // Runs the action when the item is enabled; answers whether it ran.
    bool perform();

  private:
    std::string title_;
    Action action_;
    std::string keyEquivalent_;
    int tag_ = 0;
    bool enabled_ = true;
    bool separator_ = false;
};

using MenuItemPtr = std::shared_ptr<MenuItem>;

class MenuDelegate {
  public:
    virtual ~MenuDelegate() = default;
    virtual void menuWillOpen(Menu&) {}
    virtual void menuDidClose(Menu&) {}
};

class Menu : public std::enable_shared_from_this<Menu> {
  public:
    explicit Menu(std::string title = {}) : title_(std::move(title)) {}
    static std::shared_ptr<Menu> make(std::string title = {}) {
        return std::make_shared<Menu>(std::move(title));
    }

    const std::string& title() const { return title_; }
    void addItem(MenuItemPtr item);
    MenuItemPtr addItemWithTitle(std::string title, MenuItem::Action action,
                                 std::string keyEquivalent = {});
    void removeAllItems() { items_.clear(); }
    const std::vector<MenuItemPtr>& items() const { return items_; }
    MenuItemPtr itemWithTitle(const std::string& title) const;

    // Not owned: delegates outlive their menus (the application's delegate lives for the
    // whole run).
    void setDelegate(MenuDelegate* delegate) { delegate_ = delegate; }
    MenuDelegate* delegate() const { return delegate_; }

    // Key equivalents are matched without regard to case.
    bool performKeyEquivalent(const Event& event);

    // Opening (a status item click) and closing (a choice, or a click elsewhere).
    void popUp();
    void close();
    bool isOpen() const { return open_; }

  private:
    std::string title_;
    std::vector<MenuItemPtr> items_;
    MenuDelegate* delegate_ = nullptr;
    bool open_ = false;
};

using MenuPtr = std::shared_ptr<Menu>;

}  // namespace platform::ui
