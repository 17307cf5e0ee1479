#include "platform/ui/StatusItem.h"

#include <algorithm>

#include "platform/foundation/AssertMainThread.h"
#include "platform/ui/Application.h"
#include "platform/ui/DisplayBackend.h"

namespace platform::ui {

bool StatusBarButton::openMenu() {
    if (!item_ || !item_->menu()) return false;
    item_->menu()->popUp();
    return true;
}

void StatusBarButton::mouseDown(const Event& event) {
    if (!openMenu()) Button::mouseDown(event);
}

void StatusBarButton::rightMouseDown(const Event& event) {
    if (!openMenu()) Button::rightMouseDown(event);
}

StatusItem::StatusItem(double length) : length_(length) {
    double width = length > 0 ? length : 24;
    button_ = std::make_shared<StatusBarButton>(this, Rect{0, 0, width, 22});
    window_ = Window::make({0, 0, width, 22}, WindowStyleBorderless);
    window_->setLevel(WindowLevelStatusBar);
    window_->setBackgroundColor(Color::clearColor());
    window_->contentView()->addSubview(button_);
}

StatusItem::~StatusItem() {
    window_->orderOut();
}

void StatusItem::setVisible(bool visible) {
    visible_ = visible;
    if (visible)
        window_->orderFront();
    else
        window_->orderOut();
    changed();
}

void StatusItem::place(double offsetFromRight) {
    auto screen = Screen::screens();
    Rect frame = screen.empty() ? Rect{0, 0, 1440, 900} : screen.front().frame;
    Size size = window_->frame().size;
    window_->setFrame({frame.maxX() - offsetFromRight - size.width, frame.maxY() - size.height,
                       size.width, size.height});
}

void StatusItem::changed() {
    if (auto& backend = Application::shared().backend()) backend->statusItemChanged(*this);
}

StatusBar& StatusBar::system() {
    static StatusBar* bar = new StatusBar();
    return *bar;
}

StatusItemPtr StatusBar::statusItemWithLength(double length) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto item = std::make_shared<StatusItem>(length);
    items_.push_back(item);
    layout();
    item->window()->orderFront();
    item->changed();
    return item;
}

void StatusBar::removeStatusItem(const StatusItemPtr& item) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (!item) return;
    items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
    item->window()->orderOut();
    if (auto& backend = Application::shared().backend()) backend->statusItemRemoved(*item);
    layout();
}

void StatusBar::layout() {
    // Items added later stand further left, as on the platform.
    double offset = 120;
    for (const auto& item : items_) {
        item->place(offset);
        offset += item->window()->frame().size.width + 8;
    }
}

}  // namespace platform::ui
