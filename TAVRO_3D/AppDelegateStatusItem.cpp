#include "TAVRO_3D/AppDelegateShell.h"
#include "TAVRO_3D/ShellNeighbours.h"
#include "appstate/AppDelegate.h"
#include "display/ScreenRecognition.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/Bundle.h"
#include "platform/screens/DisplayServices.h"
#include "platform/ui/Application.h"
#include "platform/ui/Image.h"
#include "platform/ui/Popover.h"
#include "platform/ui/StatusItem.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace ui = platform::ui;

void AppDelegate::setUpStatusItem() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto item = ui::StatusBar::system().statusItemWithLength(ui::StatusBar::kVariableLength);
    statusItem.set(item);
    item->setBehavior(ui::StatusItemRemovalAllowed);
    if (const auto& button = item->button()) {
        button->setAction([this](ui::Control&) { itemActionWithBtn(); });
        button->setImage(ui::Image::named("toplogoIcon"));
        button->sendActionOn(ui::eventMask(ui::EventType::LeftMouseUp) |
                             ui::eventMask(ui::EventType::RightMouseUp));
        item->changed();
    }

    for (const auto& screen : platform::screens::screens()) {
        const auto number = displayNumberOf(screen);
        if (number && platform::screens::displayIsBuiltin(*number)) builtinDisplayID = *number;
    }

    ui::Application::shared().addGlobalMonitor(
        ui::eventMask(ui::EventType::LeftMouseDown),
        [this](const ui::Event&) { closePopoverOnOutsideClick(); });

    if (!firstPopover.get()) {
        auto popover = ui::Popover::make();
        popover->setAppearanceName("NSAppearanceNameAqua");
        popover->setBehavior(ui::PopoverBehavior::Transient);
        popover->setShouldHideAnchor(true);
        firstPopover.set(popover);
    }
    choosePopoverContent();

    // The quit menu is built but never given to the status item: clicks open the popover.
    auto menu = appMenu.get();
    if (!menu) {
        menu = ui::Menu::make();
        appMenu.set(menu);
    }
    menu->setDelegate(&shell::statusMenuDelegate());
    menu->addItemWithTitle(
        platform::foundation::Bundle::main().localizedStringForKey("退出TAVRO 3D"),
        [](ui::MenuItem&) { ui::Application::shared().terminate(); }, "Q");
}

void AppDelegate::choosePopoverContent() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto popover = firstPopover.get();
    if (!popover) return;
    popover->setContentViewController(nullptr);
    auto mainWindow = window.get();
    const auto connected = shell::panelController(shell::Panel::Connected);
    if (glassStatus.load() && !isDfuUpdate.load() && mainWindow && connected &&
        mainWindow->contentViewController() == connected) {
        popover->setContentViewController(shell::connectedPopoverController());
    }
}

void AppDelegate::itemActionWithBtn() {
    TAVRO_ASSERT_MAIN_THREAD();
    const auto& event = ui::Application::shared().currentEvent();
    if (!event) return;
    mouseClick = event->type == ui::EventType::RightMouseUp ? 2 : 1;
    handleStatusItemClick();
}

void AppDelegate::handleStatusItemClick() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto item = statusItem.get();
    if (!item || !item->button()) return;
    auto popover = firstPopover.get();
    if (!popover) return;
    switch (mouseClick.load()) {
        case 2:
            popover->setContentViewController(shell::makeExitScreen());
            break;
        case 1:
            item->setMenu(nullptr);
            choosePopoverContent();
            break;
        default:
            return;
    }
    const auto& content = popover->contentViewController();
    if (!content) return;
    popover->setContentSize(content->view()->frame().size);
    popover->showRelativeToRect(item->button()->bounds(), *item->button(), ui::RectEdge::MaxY);
}

void AppDelegate::closePopoverOnOutsideClick() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto popover = firstPopover.get();
    if (popover && popover->isShown()) popover->close();
}

void AppDelegate::menuDidClose() {
    TAVRO_ASSERT_MAIN_THREAD();
    if (auto item = statusItem.get()) item->setMenu(nullptr);
}
