#include <algorithm>
#include <cmath>

#include "TAVRO_3D/AppDelegateShell.h"
#include "TAVRO_3D/ShellNeighbours.h"
#include "appstate/AppDelegate.h"
#include "common/Bundle.h"
#include "common/GlobalHelpers.h"
#include "common/TavroLocalizationHelper.h"
#include "common/TavroLog.h"
#include "display/ScreenRecognition.h"
#include "glasses/GlassAudioVolume.h"
#include "glasses/GlassServer.h"
#include "glasses/HIDDeviceMonitor.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/foundation/RunningApplication.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/screens/DisplayServices.h"
#include "platform/ui/Application.h"

namespace fd = platform::foundation;

namespace {

constexpr const char* kScreenModeKey = "ScreenModeUserDefaultsKey";
constexpr const char* kPrivacyScreenKey = "privacyScreenLockState_UserDefault";
constexpr const char* kDepthKey = "depthScaleValue_UserDefault";
constexpr const char* kSoundOffKey = "displayVolumeLevel_isSoundOff_UserDefaultsKey";
constexpr float kDefaultDepth = 0.01f;
constexpr float kMaximumDepth = 0.015f;

// A stored screen mode is a whole number 0 (web), 1 (game) or 2 (video); anything else
// written by hand or by an older build would select no depth-filter setting at all.
std::optional<int64_t> screenModeFrom(const fd::Value& stored) {
    if (!stored.isNumber() || stored.isBoolean()) return std::nullopt;
    const double value = stored.asDouble();
    if (!std::isfinite(value) || value != std::floor(value) || value < 0 || value > 2) {
        return std::nullopt;
    }
    return static_cast<int64_t>(value);
}

// A stored depth is a number within 0 to 0.015; a NaN would reach every drawn frame.
std::optional<float> depthFrom(const fd::Value& stored) {
    if (!stored.isNumber() || stored.isBoolean()) return std::nullopt;
    const double value = stored.asDouble();
    if (!std::isfinite(value) || value < 0 || value > kMaximumDepth + 1e-9) return std::nullopt;
    return std::min(static_cast<float>(value), kMaximumDepth);
}

void loadPanelSettings(AppDelegate& delegate) {
    auto& defaults = fd::UserDefaults::standard();
    if (auto mode = screenModeFrom(defaults.objectForKey(kScreenModeKey))) {
        delegate.modelType = *mode;
    } else {
        delegate.modelType = 0;
        defaults.setInteger(0, kScreenModeKey);
        defaults.synchronize();
    }
    if (defaults.objectForKey(kPrivacyScreenKey).isNull()) {
        defaults.setInteger(0, kPrivacyScreenKey);
        defaults.synchronize();
    }
    if (auto depth = depthFrom(defaults.objectForKey(kDepthKey))) {
        delegate.depthValue = *depth;
    } else {
        delegate.depthValue = kDefaultDepth;
        defaults.setFloat(kDefaultDepth, kDepthKey);
        defaults.synchronize();
    }
}

// Remembers the built-in screen and the glasses screen; a later screen overwrites an
// earlier one.
void scanScreens(AppDelegate& delegate) {
    for (const auto& screen : platform::screens::screens()) {
        const auto number = displayNumberOf(screen);
        if (!number) continue;
        if (platform::screens::displayIsBuiltin(*number)) {
            delegate.builtinDisplayID = *number;
        } else if (isTavroGlassScreenName(screen.localizedName)) {
            delegate.glassDisplayID = *number;
        }
    }
}

}  // namespace

void AppDelegate::applicationWillFinishLaunching() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto& application = platform::ui::Application::shared();
    application.setTerminateHandler([this] {
        if (applicationShouldTerminate()) {
            applicationWillTerminate();
            fd::MainLoop::stop();
        }
    });
    application.setReopenHandler(
        [this](bool hasVisibleWindows) { applicationShouldHandleReopen(hasVisibleWindows); });
    enforceSingleInstance();
}

void AppDelegate::enforceSingleInstance() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto registry = fd::runningApplications();
    const std::string identifier = fd::Bundle::main().bundleIdentifier();
    const auto running = registry->runningApplicationsWithBundleIdentifier(identifier);
    if (running.size() < 2) return;
    const auto self = registry->currentApplication();
    for (const auto& application : running) {
        if (application == self) continue;
        // A copy that is quitting refuses; once it has gone, this copy is the one that runs.
        // A quit of this copy while it waited ends it as a quit before the launch does.
        if (!registry->activate(application) &&
            (registry->runningApplicationsWithBundleIdentifier(identifier).size() < 2 ||
             fd::BackgroundWork::stopping())) {
            return;
        }
        isAppOpen = true;
        platform::ui::Application::shared().terminate();
        return;
    }
}

void AppDelegate::applicationDidFinishLaunching() {
    TAVRO_ASSERT_MAIN_THREAD();
    // A copy that handed over to the one already running ends without launching.
    if (isAppOpen.load()) return;
    runLaunchSequence();
}

void AppDelegate::runLaunchSequence() {
    TAVRO_ASSERT_MAIN_THREAD();
    init();
    shell::allowPlugSequences();
    shell::startAppMonitor(*this);
    common::TavroLog::logMessage("=== App Start ===");

    isOverseas = !common::isChineseLocale();
    if (isOverseas.load()) {
        common::Bundle::installOnMainBundle();
        common::TavroLocalizationHelper::shared().setLanguage(
            common::TavroLocalizationHelper::Language::English);
    }
    isCPUARM = getCPUTypeIsARM();

    setUpStatusItem();
    scanScreens(*this);
    loadPanelSettings(*this);
    shell::createUsageTable();
    showMainWindow();
    registerAppObservers();
    startGlassMonitoring();

    shell::takeReportingManager(*this);
    if (common::ensureDeviceID()) {
        shell::recordUsageEvent(BehaviorEventType::app_installations, false);
    }
    shell::recordUsageEvent(BehaviorEventType::use_computer_configuration, false);
    shell::recordUsageEvent(BehaviorEventType::app_launcheds, false);
}

void AppDelegate::registerAppObservers() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto& center = fd::NotificationCenter::defaultCenter();
    auto main = fd::OperationQueue::main();
    Observers observers;
    observers.push_back(center.addObserver(
        platform::ui::Application::kDidBecomeActiveNotification, std::nullopt, main,
        [this](const fd::Notification& note) { handleDidBecomeActive(note); }));
    observers.push_back(
        center.addObserver(kGlassVersionNotification, std::nullopt, main,
                           [this](const fd::Notification& note) { handleGlassVersion(note); }));
    observers.push_back(
        center.addObserver(kSystemVolumeNotification, std::nullopt, main,
                           [this](const fd::Notification& note) { handleSystemVolume(note); }));
    // The replaced ones go after the exchange, outside its lock.
    appObservers.exchange(std::move(observers));
}

void AppDelegate::handleDidBecomeActive(const fd::Notification&) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (fd::BackgroundWork::stopping()) return;  // nothing to upload or ask while quitting
    shell::uploadStoredUsageEvents();
    checkAppUpdate();
}

void AppDelegate::handleGlassVersion(const fd::Notification& note) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (note.object.isText()) glassVersion.set(note.object.text());
    if (glassServer(*this)->glassGeneration() != 1) return;
    const fd::Value soundOff = fd::UserDefaults::standard().objectForKey(kSoundOffKey);
    isSoundOff = soundOff.isBoolean() && soundOff.asBool();
    setGlassVolume(volumeLevel.load(), isSoundOff.load());
}

void AppDelegate::handleSystemVolume(const fd::Notification& note) {
    TAVRO_ASSERT_MAIN_THREAD();
    const auto kind = note.object.kind();
    const bool isFloat = kind == fd::Value::Kind::Float || kind == fd::Value::Kind::Double;
    volumeValue_V2 = isFloat ? note.object.asFloat() : 0.0f;
}

bool AppDelegate::getCPUTypeIsARM() const {
    // The brand text comes lower-cased.
    return common::cpuBrandString().find("intel") == std::string::npos;
}

bool AppDelegate::checkisChinaSimplified() const {
    const auto raw = common::TavroLocalizationHelper::rawValue(
        common::TavroLocalizationHelper::shared().language());
    return raw.starts_with("zh-Hans");
}

bool AppDelegate::checkTAVROGLASSWithName1WithDisplayName(const std::string& displayName) const {
    return isTavroGlassScreenName(displayName);
}
