#include "TAVRO_3D/AppDelegateShell.h"
#include "appstate/AppDelegate.h"
#include "common/AppIdentifier.h"
#include "common/GlobalHelpers.h"
#include "display/DummyManager.h"
#include "display/ScreenRecognition.h"
#include "display/tavroDisplayManager.h"
#include "glasses/GlassServer.h"
#include "glasses/TavroUSBServiceOC.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/ui/Alert.h"
#include "platform/ui/Application.h"

namespace fd = platform::foundation;
namespace ui = platform::ui;

namespace {
std::string localized(const std::string& key) {
    return fd::Bundle::main().localizedStringForKey(key);
}
}  // namespace

void AppDelegate::startGlassMonitoring() {
    TAVRO_ASSERT_MAIN_THREAD();
    // Holds the main thread until the displays are un-mirrored, or a quit begins: then the
    // glasses are not watched, and the quit runs once the launch has returned.
    while (!cancelMirroring(false, true)) {
        if (!fd::BackgroundWork::sleepForSeconds(1.25)) return;
    }

    if (!TavroUSBServiceOC::shareManager().canRecordScreen()) {
        fd::mainQueue()->async([this] { showScreenRecordingAlert(); });
        return;
    }
    auto& center = fd::NotificationCenter::defaultCenter();
    Observers observers;
    observers.push_back(center.addObserver(
        common::AppIdentifier() + ".GlassDisplayStatus", std::nullopt,
        fd::OperationQueue::make(common::AppIdentifier() + ".glassDisplayStatus"),
        [this](const fd::Notification& note) { updateGlassDisplayStatus(note); }));
    observers.push_back(center.addObserver(
        kGlassStatusChangeNotification, std::nullopt, fd::OperationQueue::main(),
        [this](const fd::Notification& note) { handleGlassConnectionChange(note); }));
    glassMonitoringObservers.exchange(std::move(observers));
    glassServer(*this)->shareManager();
    DummyManager::setupDummyDefinitions();
    if (auto manager = displayManager.get()) manager->createMonitorDummy();
}

void AppDelegate::showScreenRecordingAlert() {
    TAVRO_ASSERT_MAIN_THREAD();
    ui::Alert alert;
    alert.setAlertStyle(ui::AlertStyle::Critical);
    alert.setMessageText(localized("录屏权限未开启"));
    alert.setInformativeText(localized("'TAVRO 3D'正常运行需要开启录屏权限，是否去开启?"));
    alert.addButtonWithTitle(localized("退出并开启权限"));
    if (alert.runModal() != ui::kAlertFirstButtonReturn) return;
    TavroUSBServiceOC::shareManager().showScreenRecordingPrompt();
    common::openScreenCapturePrivacySettings();
    fd::Clock::current().sleepForSeconds(0.5);
    ui::Application::shared().terminate();
}

void AppDelegate::updateGlassDisplayStatus(const fd::Notification& note) {
    glassDisplayStatus = note.object.isInteger() ? note.object.asInt64() : 2;
}

bool AppDelegate::checkExtendedDisplay() {
    if (cancelMirroring(false, isCPUARM.load())) return true;
    fd::mainQueue()->async([this] { showExtendedDisplayAlert(); });
    return false;
}

void AppDelegate::showExtendedDisplayAlert() {
    TAVRO_ASSERT_MAIN_THREAD();
    ui::Alert alert;
    alert.setAlertStyle(ui::AlertStyle::Critical);
    alert.setMessageText(localized("TAVRO Glass 不是扩展显示器"));
    alert.setInformativeText(localized(
        "TAVRO Glass显示器需要切换到扩展显示器才能正常使用哦，切换完成请重新启动App，是否切换?"));
    alert.addButtonWithTitle(localized("切换并退出App"));
    alert.addButtonWithTitle(localized("取消"));
    if (alert.runModal() != ui::kAlertFirstButtonReturn) return;
    common::openDisplaySettings();
    ui::Application::shared().terminate();
}
