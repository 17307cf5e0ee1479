// The shell's calls into the panels: the delegate's five panel controllers, the exit screen,
// the firmware-update panel's two entry points and the start panel's showing.
#include "TAVRO_3D/ShellNeighbours.h"
#include "TAVRO_3D/TavroDFUUpdateViewController.h"
#include "TAVRO_3D/TavroExitAppViewController.h"
#include "TAVRO_3D/TavroGlassConnectSuccessPopoverViewController.h"
#include "TAVRO_3D/TavroGlassConnectSuccessViewController.h"
#include "TAVRO_3D/TavroHomeNewViewController.h"
#include "TAVRO_3D/TavroHomeStartViewController.h"
#include "appstate/AppDelegate.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/ui/Window.h"

namespace ui = platform::ui;

namespace shell {

void createPanels(AppDelegate& delegate) {
    TAVRO_ASSERT_MAIN_THREAD();
    delegate.homeNewViewController.set(std::make_shared<TavroHomeNewViewController>());
    delegate.homeStartViewController.set(std::make_shared<TavroHomeStartViewController>());
    delegate.dfuUpdateViewController.set(std::make_shared<TavroDFUUpdateViewController>());
    delegate.glassConnectSuccessViewController.set(
        std::make_shared<TavroGlassConnectSuccessViewController>());
    delegate.glassConnectSuccessPopoverViewController.set(
        std::make_shared<TavroGlassConnectSuccessPopoverViewController>());
}

ui::ViewControllerPtr panelController(Panel panel) {
    AppDelegate& delegate = AppDelegate::shared();
    switch (panel) {
        case Panel::Home:
            return delegate.homeNewViewController.get();
        case Panel::Start:
            return delegate.homeStartViewController.get();
        case Panel::FirmwareUpdate:
            return delegate.dfuUpdateViewController.get();
        case Panel::Connected:
            return delegate.glassConnectSuccessViewController.get();
    }
    return nullptr;
}

ui::ViewControllerPtr connectedPopoverController() {
    return AppDelegate::shared().glassConnectSuccessPopoverViewController.get();
}

ui::ViewControllerPtr makeExitScreen() {
    TAVRO_ASSERT_MAIN_THREAD();
    return std::make_shared<TavroExitAppViewController>();
}

void resetDfuView() {
    TAVRO_ASSERT_MAIN_THREAD();
    if (auto panel = AppDelegate::shared().dfuUpdateViewController.get()) panel->resetDfuView();
}

void showStartPanel(AppDelegate& delegate) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto window = delegate.window.get();
    auto panel = delegate.homeStartViewController.get();
    if (!window || !panel) return;
    window->setContentViewController(panel);
    panel->updateNameLabel();
}

void beginUpdateWhenShown() {
    if (auto panel = AppDelegate::shared().dfuUpdateViewController.get()) {
        panel->isBeginUpdateDfu = true;
    }
}

}  // namespace shell
