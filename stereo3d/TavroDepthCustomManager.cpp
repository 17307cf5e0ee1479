#include "stereo3d/TavroDepthCustomManager.h"

#include "appstate/AppDelegate.h"
#include "common/GCXTimer.h"
#include "common/GlobalHelpers.h"
#include "common/TavroLog.h"
#include "display/ScreenRecognition.h"
#include "glasses/GlassServer.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/screens/Reconfiguration.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"
#include "stereo3d/TavroDepth3DViewController.h"
#include "widgets/ProgressHUD/ProgressHUD.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

using platform::foundation::mainQueue;

namespace {

void postStartResult(int64_t result) {
    platform::foundation::NotificationCenter::defaultCenter().post(
        kGlassDisplayStatusSuccessOrErrorNotification, platform::foundation::Value(result));
}

bool isIntelMac() {
    return common::cpuBrandString().find("intel") != std::string::npos;
}

std::optional<platform::ui::Screen> glassesScreen() {
    for (const auto& screen : platform::ui::Screen::screens()) {
        if (isTavroGlassScreenName(screen.localizedName)) return screen;
    }
    return std::nullopt;
}

}  // namespace

TavroDepthCustomManager& TavroDepthCustomManager::shared() {
    return *sharedPointer();
}

std::shared_ptr<TavroDepthCustomManager> TavroDepthCustomManager::sharedPointer() {
    // Never released: its window and views must not be torn down after the interface's
    // own statics at exit.
    static const auto* instance = [] {
        auto* made = new std::shared_ptr<TavroDepthCustomManager>(new TavroDepthCustomManager());
        DepthCaptureControl::install(*made);
        return made;
    }();
    return *instance;
}

TavroDepthCustomManager::TavroDepthCustomManager()
    : deopth3DViewController_(std::make_shared<TavroDepth3DViewController>()) {
    // A full-screen window covers its screen: when the glasses screen changes its mode
    // (3D on or off), the AI-3D window follows. Runs on the main thread.
    platform::screens::registerReconfigurationCallback([this](uint32_t, uint32_t) {
        auto window = depthWindow();
        if (!window || !window->fullScreenDisplay()) return;
        for (const auto& screen : platform::ui::Screen::screens()) {
            if (screen.displayId == *window->fullScreenDisplay() &&
                screen.frame != window->frame()) {
                window->enterFullScreen(screen);
            }
        }
    });
}

void TavroDepthCustomManager::armWatchdog() {
    MutexLock lock(watchdogMutex_);
    common::GCXTimer::cancelTimerTask(watchdogKey_);
    const uint64_t armed = ++watchdogSerial_;
    watchdogArmed_ = true;
    watchdogKey_ = common::GCXTimer::execTask(
        [this, armed] {
            if (claimWatchdog(armed)) postStartResult(0);
        },
        kWatchdogSeconds, 0, false, true);
}

bool TavroDepthCustomManager::claimWatchdog(std::optional<uint64_t> armed) {
    MutexLock lock(watchdogMutex_);
    if (!watchdogArmed_ || (armed && *armed != watchdogSerial_)) return false;
    watchdogArmed_ = false;
    common::GCXTimer::cancelTimerTask(watchdogKey_);
    watchdogKey_.clear();
    return true;
}

void TavroDepthCustomManager::cancelWatchdog() {
    claimWatchdog(std::nullopt);
}

std::string TavroDepthCustomManager::watchdogKey() const {
    MutexLock lock(watchdogMutex_);
    return watchdogKey_;
}

bool TavroDepthCustomManager::hasDepthWindow() const {
    return depthWindow() != nullptr;
}

void TavroDepthCustomManager::stopDepthWindowCapture() {
    if (auto controller = deopth3DViewController()) controller->stopCapture();
}

void TavroDepthCustomManager::startAI3D() {
    const uint64_t start = ++startGeneration_;
    armWatchdog();
    if (!AppDelegate::shared().glassStatus.load()) {
        common::TavroLog::logMessage("====眼镜拔出====");
        cancelWatchdog();
        return;
    }
    mainQueue()->async([this, start] {
        if (startGeneration_.load() != start) return;
        if (isIntelMac()) {
            showUnsupported();
            return;
        }
        openOnGlasses(start);
    });
}

void TavroDepthCustomManager::showUnsupported() {
    // Over what the main window shows now (the start panel, whose button led here), so
    // that the message is seen; and the start panel learns at once that nothing will run.
    std::shared_ptr<platform::ui::View> content;
    if (auto window = AppDelegate::shared().window.get()) content = window->contentView();
    ProgressHUD::showMessage(platform::foundation::localizedString("电脑或系统不支持"), content);
    if (claimWatchdog(std::nullopt)) postStartResult(0);
}

std::shared_ptr<platform::ui::Window> TavroDepthCustomManager::makeWindow() {
    auto window =
        platform::ui::Window::make({0, 0, 1920, 1080}, platform::ui::WindowStyleBorderless);
    window->setTitle("AI-3D");
    window->setBackgroundColor(platform::ui::Color::blackColor());
    window->setReleasedWhenClosed(false);
    window->setContentViewController(deopth3DViewController());
    depthWindow_.set(window);
    return window;
}

void TavroDepthCustomManager::openOnGlasses(uint64_t start) {
    if (startGeneration_.load() != start) return;
    auto screen = glassesScreen();
    if (!screen) {
        // Keep looking while the start is still pending; the watchdog ends the wait.
        if (watchdogKey().empty()) return;
        mainQueue()->asyncAfterSeconds(kScreenPollSeconds, [this, start] { openOnGlasses(start); });
        return;
    }
    // Whoever of the watchdog and this success comes first decides the outcome.
    if (!claimWatchdog(std::nullopt)) return;
    auto window = depthWindow();
    if (!window) window = makeWindow();
    window->enterFullScreen(*screen);
    window->makeKeyAndOrderFront();
    if (auto controller = deopth3DViewController()) controller->startCapture();
    postStartResult(1);
}

void TavroDepthCustomManager::stopAI3D() {
    const uint64_t stop = ++startGeneration_;
    // A watchdog left armed would post 0 into a later start.
    cancelWatchdog();
    if (auto server = glassServer(AppDelegate::shared()); server->ioHidDevice())
        server->stop_display_3d();
    auto window = depthWindow();
    if (!window) return;
    // The capture stops at once, not with the window: at quit the main queue may not run
    // again, and the capture's threads must not outlive the run.
    if (auto controller = deopth3DViewController()) controller->stopCapture();
    mainQueue()->async([this, window, stop] {
        window->exitFullScreen();
        // Scheduled, not slept: the main thread goes on meanwhile.
        mainQueue()->asyncAfterSeconds(kCloseDelaySeconds, [this, window, stop] {
            if (startGeneration_.load() == stop) window->close();
        });
    });
}

void TavroDepthCustomManager::resumeCaptureAfterWake(bool stop) {
    auto window = depthWindow();
    if (!window) return;
    auto controller = deopth3DViewController();
    if (!controller) return;
    if (stop) {
        controller->stopCapture();
        return;
    }
    auto resume = [window, controller] {
        if (window->isVisible()) {
            controller->startCapture();
        } else {
            controller->stopCapture();
        }
    };
    if (platform::foundation::isMainThread()) {
        resume();
    } else {
        mainQueue()->async(resume);
    }
}
