// The shell's calls into the backend services: usage events, the usage table and the
// foreground-application monitor.
#include "TAVRO_3D/ShellNeighbours.h"
#include "appstate/AppDelegate.h"
#include "backend/AppMonitor.h"
#include "backend/TavroFMDBManager.h"
#include "backend/TavroUserBehaviorReporting.h"
#include "backend/UploadStoredEvents.h"
#include "platform/foundation/AssertMainThread.h"

namespace shell {

void recordUsageEvent(BehaviorEventType type, bool store) {
    TavroUserBehaviorReporting::shared()->recordEvent(type, store);
}

void createUsageTable() {
    TAVRO_ASSERT_MAIN_THREAD();
    TavroFMDBManager::shareManager().createFMDBTable();
}

void beginUsageTableQuit() {
    TAVRO_ASSERT_MAIN_THREAD();
    TavroFMDBManager::shareManager().beginQuitWrites();
}

void finishUsageTableWrites() {
    TAVRO_ASSERT_MAIN_THREAD();
    TavroFMDBManager::shareManager().finishBeforeQuit();
}

void uploadStoredUsageEvents() {
    TAVRO_ASSERT_MAIN_THREAD();
    // Not the whole table at once: it may hold a great many rows.
    uploadStoredEventsInBatches();
}

void startAppMonitor(AppDelegate& delegate) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto monitor = std::make_shared<AppMonitor>();
    delegate.appMonitor.set(monitor);
    monitor->setUpAppMonitor();
}

void takeReportingManager(AppDelegate& delegate) {
    TAVRO_ASSERT_MAIN_THREAD();
    delegate.userBehaviorReportingManager.set(TavroUserBehaviorReporting::shared());
}

}  // namespace shell
