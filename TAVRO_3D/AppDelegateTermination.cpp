#include <atomic>
#include <memory>

#include "TAVRO_3D/AppDelegateShell.h"
#include "TAVRO_3D/ShellNeighbours.h"
#include "appstate/AppDelegate.h"
#include "glasses/GlassServer.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/SystemInfo.h"

namespace fd = platform::foundation;

namespace {

// The monitor thread posts glasses notices to main-queue observers and waits until they
// have run, so it is stopped from another thread while this one keeps the main queue
// draining; joining it from the main thread alone could wait forever.
void stopGlassMonitorThread(AppDelegate& delegate) {
    // A copy that hands over to the one already running ends before its launch made a
    // server: there is no thread to stop.
    if (!delegate.vxServer.get()) return;
    auto server = glassServer(delegate);
    if (!fd::isMainThread()) {
        server->stopMonitoring();
        return;
    }
    auto stopped = std::make_shared<std::atomic<bool>>(false);
    fd::globalQueue()->async([server, stopped] {
        server->stopMonitoring();
        stopped->store(true);
    });
    // Bounded like the rest of the quit (real time): a thread that never lets go must not
    // keep the process from ending.
    if (!fd::BackgroundWork::waitDuringQuit([&] { return stopped->load(); }))
        fd::systemLog("quit: the glasses' monitor thread did not stop");
}

}  // namespace

bool AppDelegate::applicationShouldTerminate() {
    return true;
}

void AppDelegate::applicationWillTerminate() {
    TAVRO_ASSERT_MAIN_THREAD();
    // From here on nothing starts new work: waits end, and what the main loop runs while
    // the quit waits below (a late reply, a glasses notice) sets nothing up.
    fd::BackgroundWork::beginQuit();
    // A table that never answers holds the quit up for its second, not longer.
    shell::beginUsageTableQuit();
    // No after-plug sequence may outlive the process's state.
    shell::endPlugSequences();
    // Uploads, a firmware update, exchanges with the backend: none may outlive the process,
    // nor talk to the glasses while the clean-up does.
    fd::BackgroundWork::finish();
    if (!isAppOpen.load()) exitCleanup();
    stopGlassMonitorThread(*this);
    // An unplug heard while the thread stopped stored its mode event after the clean-up's
    // writes: it too is in the table before the process ends.
    shell::finishUsageTableWrites();
}

void AppDelegate::exitAppWithIsRecover(bool) {
    TAVRO_ASSERT_MAIN_THREAD();
    exitCleanup();
}

void AppDelegate::exitCleanup() {
    TAVRO_ASSERT_MAIN_THREAD();
    restoreBuiltinBrightnessBeforeQuit();
    isExit = true;
    auto server = glassServer(*this);
    // stop_display_3d rebuilds the connected device from the held glasses, then sends 3D off.
    if (server->ioHidDevice()) server->stop_display_3d();
    shell::stopAI3D(*this);
    shell::recordUsageEvent(BehaviorEventType::app_use_duration, true);
    const bool connected = glassStatus.load();
    if (connected) shell::recordUsageEvent(BehaviorEventType::use_mode_type, true);
    shell::setQuitStoredModeEvent(connected);
    shell::finishUsageTableWrites();
}
