#include "TAVRO_3D/AppDelegateShell.h"
#include "TAVRO_3D/ShellNeighbours.h"
#include "appstate/AppDelegate.h"
#include "common/GCXTimer.h"
#include "common/TavroFirmwareVersions.h"
#include "common/TavroLog.h"
#include "display/DummyManager.h"
#include "display/ScreenRecognition.h"
#include "glasses/GlassAudioVolume.h"
#include "glasses/GlassServer.h"
#include "localnet/TavroLocalServer.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Window.h"

namespace fd = platform::foundation;

namespace {

constexpr const char* kPrivacyScreenKey = "privacyScreenLockState_UserDefault";

void showPanel(AppDelegate& delegate, shell::Panel panel) {
    if (auto window = delegate.window.get()) {
        window->setContentViewController(shell::panelController(panel));
    }
}

// The window goes home: whatever update was offered or under way is over, so glasses
// plugged in later are a new plug-in, not the return of updated glasses.
void showHome(AppDelegate& delegate) {
    showPanel(delegate, shell::Panel::Home);
    shell::resetDfuView();
    delegate.isDfuUpdate = false;
    delegate.isDfuUpdateStart = false;
}

}  // namespace

void AppDelegate::handleGlassConnectionChange(const fd::Notification& note) {
    TAVRO_ASSERT_MAIN_THREAD();
    const bool plugged = note.object.asBool();
    const uint64_t generation = shell::advancePlugGeneration();
    // Written here, on the main queue, so that the flag follows the notices in the order
    // they came; written from a concurrent queue a 0 and a 1 could land swapped.
    glassStatus = plugged;

    // While the quit runs, a notice changes nothing but the flag: the quit's clean-up leaves
    // the glasses and the displays as they are to be left, and nothing may be set up now.
    // The unplug's usage event is kept for a later upload, unless the clean-up has stored
    // it already (the monitor thread clears the connected flag before the notice comes).
    if (fd::BackgroundWork::stopping()) {
        if (!plugged && !shell::quitStoredModeEvent())
            shell::recordUsageEvent(BehaviorEventType::use_mode_type, true);
        return;
    }

    auto server = glassServer(*this);
    if (!plugged) {
        shell::recordUsageEvent(BehaviorEventType::use_mode_type, false);
        glassVersion.set(std::string(common::glassVersionAfterUnplug(glassVersion.get())));
        TavroLocalServer::shareManager().setImu_id(0);
        if (server->glassGeneration() == 2) removeAudioOutputVolumeListener();
        fd::mainQueue()->async([this] { showPanelAfterUnplug(); });
        closeGlass();
        return;
    }

    // The wait for the unlock ends at the quit, which then runs once this handler returns.
    while (isScreenLocked()) {
        common::TavroLog::logMessage("屏幕锁定状态====(true)");
        if (!fd::BackgroundWork::sleepForSeconds(0.5)) return;
    }
    common::GCXTimer::cancelTimerTask(showHomeTimerIdentification.get());
    server->changeIMUWithGlassWithIsClose(true);
    privacyScreenLockButtonState = fd::UserDefaults::standard().integerForKey(kPrivacyScreenKey);
    server->getTavroGlassFirmwareVersion();
    checkAppUpdate([this, generation](bool goOn) {
        if (goOn) startGlassSetup(generation);
    });
}

void AppDelegate::showPanelAfterUnplug() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto mainWindow = window.get();
    if (!mainWindow) return;
    if (!isDfuUpdate.load()) {
        showHome(*this);
    } else {
        showPanel(*this, shell::Panel::FirmwareUpdate);
        scheduleShowHome();
    }
    mainWindow->makeKeyAndOrderFront();
}

void AppDelegate::scheduleShowHome() {
    TAVRO_ASSERT_MAIN_THREAD();
    common::GCXTimer::cancelTimerTask(showHomeTimerIdentification.get());
    const double start = isDfuUpdateStart.load() ? 5.0 : 0.0;
    showHomeTimerIdentification.set(
        common::GCXTimer::execTask([this] { showHomeTick(); }, start, 0, false, true));
}

void AppDelegate::showHomeTick() {
    if (!glassStatus.load()) fd::mainQueue()->async([this] { showHomePanel(); });
}

void AppDelegate::showHomePanel() {
    TAVRO_ASSERT_MAIN_THREAD();
    showHome(*this);
}

void AppDelegate::closeGlass() {
    TAVRO_ASSERT_MAIN_THREAD();
    glassDisplayStatus = 1;
    restoreBuiltinBrightness();
    shell::stopAI3D(*this);
    auto monitor = DummyManager::findDummyByDefinitionId(0);
    if (monitor && monitor->isConnected) monitor->disconnect(false);
}
