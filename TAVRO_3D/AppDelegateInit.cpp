#include <mutex>

#include "TAVRO_3D/AppDelegateShell.h"
#include "TAVRO_3D/ShellNeighbours.h"
#include "appstate/AppDelegate.h"
#include "display/tavroDisplayManager.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/ui/Menu.h"

void AppDelegate::init() {
    TAVRO_ASSERT_MAIN_THREAD();
    static std::once_flag once;
    std::call_once(once, [this] {
        shell::createPanels(*this);
        displayManager.set(tavroDisplayManager::shared());
        vxServer.set(std::make_shared<TavroVXServer>());
        appMenu.set(platform::ui::Menu::make());
    });
}
