#include "platform/ui/Menu.h"

#include "platform/foundation/AsciiLowercased.h"
#include "platform/ui/Application.h"
#include "platform/ui/DisplayBackend.h"

namespace platform::ui {

std::shared_ptr<MenuItem> MenuItem::separator() {
    auto item = std::make_shared<MenuItem>("", nullptr, "");
    item->separator_ = true;
    item->enabled_ = false;
    return item;
}

bool MenuItem::perform() {
    if (!enabled_ || !action_) return false;
    Action action = action_;
    action(*this);
    return true;
}

void Menu::addItem(MenuItemPtr item) {
    if (item) items_.push_back(std::move(item));
}

MenuItemPtr Menu::addItemWithTitle(std::string title, MenuItem::Action action,
                                   std::string keyEquivalent) {
    auto item =
        std::make_shared<MenuItem>(std::move(title), std::move(action), std::move(keyEquivalent));
    items_.push_back(item);
    return item;
}

MenuItemPtr Menu::itemWithTitle(const std::string& title) const {
    for (const auto& item : items_) {
        if (item->title() == title) return item;
    }
    return nullptr;
}

bool Menu::performKeyEquivalent(const Event& event) {
    if (event.type != EventType::KeyDown || event.characters.empty()) return false;
    for (const auto& item : items_) {
        if (!item->keyEquivalent().empty() && foundation::asciiLowercased(item->keyEquivalent()) ==
                                                  foundation::asciiLowercased(event.characters)) {
            if (item->perform()) {
                close();
                return true;
            }
        }
    }
    return false;
}

void Menu::popUp() {
    if (open_) return;
    open_ = true;
    if (delegate_) delegate_->menuWillOpen(*this);
    if (auto& backend = Application::shared().backend()) backend->menuOpened(*this);
}

void Menu::close() {
    if (!open_) return;
    open_ = false;
    if (delegate_) delegate_->menuDidClose(*this);
}

}  // namespace platform::ui
