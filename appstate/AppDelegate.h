#pragma once
// The application's shared state: whether glasses are connected, their firmware version and
// the update targets, region, CPU class, screen mode and depth value, privacy-screen state,
// the glasses and built-in display identifiers, and the long-lived objects (panels, glasses
// server, display manager, depth and reporting managers). Every subsystem reaches it through
// the one process-wide instance; the delegate's behaviour lives in the application shell.
//
// Fields are read and written from the main thread, the HID monitor thread, global queues
// and timers: numbers and flags are atomic, texts and objects are guarded; each is written
// whole.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "appstate/VXServerInterface.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/Guarded.h"
#include "platform/foundation/Subscription.h"
#include "platform/foundation/Value.h"

namespace platform::foundation {
struct Notification;
}
namespace platform::ui {
struct Event;
class Window;
class StatusItem;
class Popover;
class Menu;
}  // namespace platform::ui

class TavroHomeNewViewController;
class TavroHomeStartViewController;
class TavroDFUUpdateViewController;
class TavroGlassConnectSuccessViewController;
class TavroGlassConnectSuccessPopoverViewController;
class tavroDisplayManager;
class TavroUserBehaviorReporting;
class TavroAppUpdateView;
class TavroDepthCustomManager;
class AppMonitor;

class AppDelegate {
  public:
    // The one delegate of the process, created with its initial values on first use.
    static AppDelegate& shared();

    AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    template <class T>
    using Object = platform::foundation::Guarded<std::shared_ptr<T>>;

    // The panels, the menu and the glasses server are created and stored by the application
    // shell when it creates the delegate; here they start empty.

    Object<platform::ui::Window> window;
    Object<TavroHomeNewViewController> homeNewViewController;
    Object<TavroHomeStartViewController> homeStartViewController;
    Object<TavroDFUUpdateViewController> dfuUpdateViewController;
    Object<TavroGlassConnectSuccessViewController> glassConnectSuccessViewController;
    Object<TavroGlassConnectSuccessPopoverViewController> glassConnectSuccessPopoverViewController;
    Object<tavroDisplayManager> displayManager;
    Object<TavroUserBehaviorReporting> userBehaviorReportingManager;
    // The glasses server, a TavroVXServer, held as the part of it that this record's users
    // below the glasses link may call; the others reach it whole through glassServer
    // (glasses/GlassServer.h).
    Object<VXServerInterface> vxServer;
    Object<platform::ui::StatusItem> statusItem;
    Object<platform::ui::Popover> firstPopover;
    Object<platform::ui::Menu> appMenu;
    std::atomic<int64_t> mouseClick{0};  // 1 left, 2 right
    std::atomic<bool> glassStatus{false};
    std::atomic<bool> isOpen3D{true};
    std::atomic<bool> isCPUARM{false};
    std::atomic<int64_t> modelType{0};  // 0 web, 1 game, 2 video
    std::atomic<int64_t> volumeLevel{3};
    std::atomic<float> volumeValue_V2{0};
    std::atomic<bool> manuallyChangeVolumeValue_V2{false};
    std::atomic<bool> isSoundOff{false};
    platform::foundation::Guarded<std::string> glassVersion;
    std::atomic<uint32_t> glassDisplayID{0};
    std::atomic<uint32_t> builtinDisplayID{0};
    std::atomic<int64_t> glassDisplayStatus{1};
    const std::string checkVolumeVersion_V1;
    const std::string checkVolumeVersion_V2;
    const std::string checkVolumeVersion_V2Pro;
    const std::string dfuUpdateVersion_V2;
    const std::string dfuUpdateVersion_V2Pro;
    std::atomic<bool> isDfuUpdate{false};
    std::atomic<bool> isDfuUpdateStart{false};
    std::atomic<int64_t> privacyScreenLockButtonState{0};  // 1 on, 0 off
    std::atomic<float> defaultBrightness{0};
    std::atomic<bool> isCloseIMU{false};
    std::atomic<bool> isExit{false};
    std::atomic<int64_t> time{0};
    platform::foundation::Guarded<std::string> showHomeTimerIdentification;
    Object<TavroAppUpdateView> appUpdateView;
    std::atomic<bool> isOpenImmersion{true};
    std::atomic<bool> isOpenAI3D{true};
    Object<TavroDepthCustomManager> depthManager;
    std::atomic<float> depthValue{0.01f};
    std::atomic<float> depthMainValue{0};
    std::atomic<float> depthMaxValue{0.015f};
    std::atomic<bool> isOverseas{false};
    std::atomic<bool> depthUseHigh{false};
    std::atomic<bool> isDebug{false};
    std::atomic<bool> isAppOpen{false};
    Object<AppMonitor> appMonitor;
    std::atomic<double> changeVolumeTime{0};  // milliseconds since 1970
    platform::foundation::Guarded<std::string> timerInv;
    // The delegate's own notification observers, of the process's life and of the glasses
    // monitoring; registering them again replaces the earlier ones.
    using Observers = std::vector<platform::foundation::Subscription>;
    platform::foundation::Guarded<Observers> appObservers;
    platform::foundation::Guarded<Observers> glassMonitoringObservers;

    // ---- Behaviour. Declared here so that the whole application names one delegate; defined
    // by the application shell (the TAVRO_3D library), so only code that links it may call
    // these. Unless a line says otherwise they run on the main thread.

    // Creates what the delegate owns for the life of the process: the five panels, the
    // glasses server (not started), the empty status menu, and takes the shared display
    // manager. Once, before launch; a later call does nothing.
    void init();

    // Launch, single instance, observers of the life of the process.
    // applicationWillFinishLaunching also makes this delegate the shared application's
    // terminate and reopen handler.
    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    void enforceSingleInstance();
    void runLaunchSequence();
    void registerAppObservers();
    void handleDidBecomeActive(const platform::foundation::Notification& note);
    void handleGlassVersion(const platform::foundation::Notification& note);
    void handleSystemVolume(const platform::foundation::Notification& note);
    bool getCPUTypeIsARM() const;
    bool checkisChinaSimplified() const;
    bool checkTAVROGLASSWithName1WithDisplayName(const std::string& displayName) const;

    // Status item, menu and main window.
    void setUpStatusItem();
    void choosePopoverContent();
    void itemActionWithBtn();
    void handleStatusItemClick();
    void closePopoverOnOutsideClick();
    void menuDidClose();
    void showMainWindow();
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    bool applicationSupportsSecureRestorableState() const { return true; }

    // Glasses monitoring and the plug sequence.
    void startGlassMonitoring();
    void showScreenRecordingAlert();
    void updateGlassDisplayStatus(const platform::foundation::Notification& note);  // private queue
    void handleGlassConnectionChange(const platform::foundation::Notification& note);
    void showPanelAfterUnplug();
    void scheduleShowHome();
    void showHomeTick();  // global queue (timer)
    void showHomePanel();
    // The after-plug sequence. Each step carries the plug generation of the plug-in that
    // started it and ends once a later glasses notice has come (the shell counts them).
    void startGlassSetup(uint64_t plugGeneration);  // any thread; hands over to the global queue
    void waitForGlassDisplay(uint64_t plugGeneration);  // global queue
    // The caller's thread. The shell hands the glasses server a DfuCheckResultHandler that
    // forwards here with its plug generation (the delegate itself has no virtual functions,
    // so that libraries below the shell can link the record without the shell).
    void handleDfuCheckResult(bool needsDfu, uint64_t plugGeneration);
    void showFirmwareUpdatePanel();
    void closeGlass();
    bool checkExtendedDisplay();  // any thread
    void showExtendedDisplayAlert();

    // Media-key volume.
    void handleMediaKey(const platform::ui::Event& event);
    // handleMediaKey at a given time (milliseconds since 1970), which it reads from the wall
    // clock itself.
    void handleMediaKeyAt(const platform::ui::Event& event, double nowMilliseconds);
    void setGlassVolume(int64_t level, bool mute);

    // Built-in brightness and privacy screen.
    void closeBuiltinBrightness();
    void restoreBuiltinBrightness();  // caller's thread; retries on the global queue
    // For the quit clean-up: as restoreBuiltinBrightness, but the retries run on the calling
    // thread (for at most about 1.5 s), so that the brightness is back before the process
    // ends instead of in a retry that the exit would drop.
    void restoreBuiltinBrightnessBeforeQuit();

    // Application update check: the completion receives true (go on) or false (an update
    // is offered and shown). Once the quit has begun nothing is asked and the completion is
    // not called.
    void checkAppUpdate(std::function<void(bool)> completion = nullptr);
    // The check's two outcomes, on the main queue: the backend's reply (its success flag and
    // reply dictionary) or a failure of the request.
    void handleUpdateCheckReply(bool success,
                                const std::optional<platform::foundation::ValueDictionary>& reply,
                                const std::function<void(bool)>& completion);
    void handleUpdateCheckFailure(const platform::foundation::Error& error,
                                  const std::function<void(bool)>& completion);

    // Termination.
    bool applicationShouldTerminate();  // answers "terminate now"
    // Begins the quit (BackgroundWork::beginQuit), ends the after-plug sequences and the
    // background work, runs the clean-up (unless this copy only handed over to another), then
    // stops the glasses server's monitor thread while the main queue still runs, since that
    // thread waits for main-queue observers of its posts. Every wait has the quit's bound.
    void applicationWillTerminate();
    void exitAppWithIsRecover(bool isRecover);
    void exitCleanup();
};
