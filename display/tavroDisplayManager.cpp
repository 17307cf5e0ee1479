#include "display/tavroDisplayManager.h"

#include "display/DisplayManager.h"  // the second manager class, built with this one
#include "display/DummyManager.h"
#include "display/ScreenRecognition.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/UserDefaults.h"

using platform::foundation::systemLog;

std::shared_ptr<tavroDisplayManager> tavroDisplayManager::shared() {
    static const auto manager = std::make_shared<tavroDisplayManager>();
    return manager;
}

std::shared_ptr<tavroDisplayManager> tavroDisplayManager::sharedInstance() {
    auto manager = std::make_shared<tavroDisplayManager>();
    DummyManager::setupDummyDefinitions();
    return manager;
}

DummyDefinition tavroDisplayManager::monitorDefinition() {
    return DummyDefinition{1920, 1080, 1, 1, 1, {60.0}, "Monitor", false};
}

void tavroDisplayManager::createMonitorDummy() {
    isExecution = false;
    if (needsVirtualMainDisplay()) {
        DummyManager::createDummy(monitorDefinition(), kMonitorDefinitionId, kMonitorSerial, false);
    }
    isExecution = true;
    DummyManager::storeDummies();
}

void tavroDisplayManager::connectMonitorAndMakeMain() {
    auto monitor = DummyManager::findDummyByDefinitionId(kMonitorDefinitionId);
    if (!monitor) return;
    if (monitor->associatedDisplayPrefsId.empty() && !monitor->isConnected) monitor->connect(false);
    DummyManager::storeDummies();
    // Gives the platform time to bring the new display up.
    platform::foundation::Clock::current().sleepForSeconds(2.5);
    if (monitor->isConnected) setMainDisplay(monitor->displayIdentifier);
}

int64_t tavroDisplayManager::connectAllDummies() {
    systemLog("连接所有虚拟屏");
    int64_t result = 0;
    for (const auto& dummy : DummyManager::dummyList()) {
        if (dummy->isConnected) continue;
        if (!dummy->associatedDisplayPrefsId.empty()) {
            result = -1;
            continue;
        }
        dummy->connect(false);
    }
    DummyManager::storeDummies();
    return result;
}

int64_t tavroDisplayManager::disconnectAllDummyDisplays() {
    systemLog("断开所有虚拟屏");
    int64_t result = 0;
    for (const auto& dummy : DummyManager::dummyList()) {
        if (!dummy->isConnected) continue;
        if (!dummy->associatedDisplayPrefsId.empty()) {
            result = -1;
            continue;
        }
        // A Mac without a host screen keeps its virtual main display.
        if (!findHostScreen()) {
            auto monitor = DummyManager::findDummyByDefinitionId(kMonitorDefinitionId);
            if (monitor && monitor->displayIdentifier == dummy->displayIdentifier) continue;
        }
        dummy->disconnect(false);
    }
    DummyManager::storeDummies();
    return result;
}

int64_t tavroDisplayManager::discardAndStore() {
    DummyManager::discardDummies();
    DummyManager::storeDummies();
    return 0;
}

int64_t tavroDisplayManager::connectVirtualDisplays() {
    return connectAllDummies();
}
int64_t tavroDisplayManager::connectAllVirtualDisplays() {
    return connectAllDummies();
}
int64_t tavroDisplayManager::disconnectAllDummies() {
    return disconnectAllDummyDisplays();
}
int64_t tavroDisplayManager::disconnectAllVirtualDisplays() {
    return disconnectAllDummyDisplays();
}
int64_t tavroDisplayManager::discardDummy() {
    return discardAndStore();
}
int64_t tavroDisplayManager::removeAllVirtualDisplays() {
    return discardAndStore();
}

void tavroDisplayManager::disableTempSleep() {
    auto& defaults = platform::foundation::UserDefaults::standard();
    defaults.setBool(!defaults.boolForKey("disableTempSleep"), "disableTempSleep");
}

void tavroDisplayManager::reconnectAfterSleep() {
    auto& defaults = platform::foundation::UserDefaults::standard();
    defaults.setBool(!defaults.boolForKey("reconnectAfterSleep"), "reconnectAfterSleep");
}

void tavroDisplayManager::sleepNotification() {
    handleSleep();
}
void tavroDisplayManager::wakeNotification() {
    handleWake();
}
