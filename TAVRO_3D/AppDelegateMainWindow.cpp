#include "TAVRO_3D/ShellNeighbours.h"
#include "appstate/AppDelegate.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/ui/Button.h"
#include "platform/ui/Window.h"

namespace ui = platform::ui;

namespace {
// The main window's content size in points.
constexpr double kMainWindowWidth = 420;
constexpr double kMainWindowHeight = 620;
// Full-screen primary collection behaviour.
constexpr unsigned kFullScreenPrimary = 1u << 7;
}  // namespace

void AppDelegate::showMainWindow() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto mainWindow = window.get();
    if (!mainWindow) {
        mainWindow = ui::Window::make({{0, 0}, {kMainWindowWidth, kMainWindowHeight}},
                                      ui::WindowStyleTitled | ui::WindowStyleClosable |
                                          ui::WindowStyleMiniaturizable |
                                          ui::WindowStyleFullSizeContentView);
        mainWindow->setTitlebarAppearsTransparent(true);
        if (auto* zoom = mainWindow->standardWindowButton(ui::WindowButton::Zoom)) {
            zoom->setEnabled(false);
        }
        // Closing only hides the window; a reopen or the next launch brings it back.
        mainWindow->setReleasedWhenClosed(false);
        mainWindow->setRestorable(false);
        mainWindow->setCollectionBehavior(kFullScreenPrimary);
        window.set(mainWindow);
    }
    mainWindow->setContentViewController(shell::panelController(shell::Panel::Home));
    mainWindow->makeKeyAndOrderFront();
    mainWindow->center();
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (!hasVisibleWindows) checkAppUpdate([](bool) {});
    if (auto mainWindow = window.get()) mainWindow->makeKeyAndOrderFront();
    return true;
}
