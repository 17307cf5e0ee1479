#include "TAVRO_3D/TavroHomeStartViewController.h"

#include "TAVRO_3D/TavroGlassConnectSuccessViewController.h"
#include "appstate/AppDelegate.h"
#include "display/ScreenRecognition.h"
#include "display/tavroDisplayManager.h"
#include "glasses/GlassServer.h"
#include "glasses/HIDDeviceMonitor.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/ui/Window.h"
#include "stereo3d/TavroDepthCustomManager.h"
#include "widgets/ColorFromHex.h"

namespace fdn = platform::foundation;
namespace ui = platform::ui;

namespace {

template <class T>
void setHidden(const std::weak_ptr<T>& view, bool hidden) {
    if (auto v = view.lock()) v->setHidden(hidden);
}

}  // namespace

TavroHomeStartViewController::TavroHomeStartViewController()
    : ui::ViewController("TavroHomeStartViewController") {
    declareOutlet("nameLabel", &nameLabel);
    declareOutlet("startButton", &startButton);
    declareOutlet("connectBgView", &connectBgView);
    declareOutlet("connectingLabel", &connectingLabel);
    declareOutlet("connectErrorLabel", &connectErrorLabel);
    declareOutlet("connectErrorTipsLabel", &connectErrorTipsLabel);
    declareAction("startButtonClick:", [this](ui::UiObject& sender) { startButtonClick(sender); });
}

void TavroHomeStartViewController::viewDidLoad() {
    TAVRO_ASSERT_MAIN_THREAD();
    ui::ViewController::viewDidLoad();
    auto background = initWithHexString("#ECEDEE", 1.0);
    view()->setWantsLayer(true);
    view()->layer().setBackgroundColor(background);
    if (auto area = connectBgView.lock()) {
        area->setWantsLayer(true);
        area->layer().setBackgroundColor(initWithHexString("#ECEDEE"));
        area->setHidden(true);
    }
    setHidden(connectingLabel, false);
    setHidden(connectErrorLabel, true);
    setHidden(connectErrorTipsLabel, true);
    // The version of the glasses that brought the panel up came before its observers.
    updateNameLabel();
    registerObservers();
}

void TavroHomeStartViewController::registerObservers() {
    auto& center = fdn::NotificationCenter::defaultCenter();
    std::weak_ptr<TavroHomeStartViewController> weak =
        std::static_pointer_cast<TavroHomeStartViewController>(shared_from_this());
    auto main = fdn::OperationQueue::main();
    using Handler = void (TavroHomeStartViewController::*)(const fdn::Notification&);
    auto observe = [&](const char* name, Handler handler) {
        observers_.push_back(center.addObserver(name, std::nullopt, main,
                                                [weak, handler](const fdn::Notification& note) {
                                                    if (auto self = weak.lock())
                                                        ((*self).*handler)(note);
                                                }));
    };
    observe(kGlassVersionNotification, &TavroHomeStartViewController::handleGlassVersion);
    observe(kGlassStatusChangeNotification,
            &TavroHomeStartViewController::handleGlassConnectionChange);
    observe(TavroHomeStartViewController::kStartResultNotification,
            &TavroHomeStartViewController::handleConnectResult);
}

void TavroHomeStartViewController::handleGlassVersion(const fdn::Notification& note) {
    TAVRO_ASSERT_MAIN_THREAD();
    AppDelegate::shared().glassVersion.set(note.object.text());
    updateNameLabel();
}

void TavroHomeStartViewController::updateNameLabel() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto label = nameLabel.lock();
    if (!label) return;
    label->setStringValue(glassServer(AppDelegate::shared())->glassName() + " " +
                          fdn::localizedString("已连接"));
}

void TavroHomeStartViewController::handleGlassConnectionChange(const fdn::Notification& note) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (!note.object.asBool()) showGlassesGoneLook();
}

void TavroHomeStartViewController::showGlassesGoneLook() {
    setHidden(startButton, false);
    setHidden(connectBgView, true);
}

void TavroHomeStartViewController::startButtonClick(ui::UiObject& /*sender*/) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (!findHostScreen()) {
        // Blocks this thread for the display manager's wait; the panel changes afterwards.
        tavroDisplayManager::shared()->connectMonitorAndMakeMain();
    }
    setHidden(connectBgView, false);
    setHidden(connectingLabel, false);
    setHidden(connectErrorLabel, true);
    setHidden(connectErrorTipsLabel, true);
    setHidden(startButton, true);
    auto self = std::static_pointer_cast<TavroHomeStartViewController>(shared_from_this());
    fdn::mainQueue()->async([self] { self->launchAI3D(); });
}

void TavroHomeStartViewController::launchAI3D() {
    auto manager = TavroDepthCustomManager::sharedPointer();
    AppDelegate::shared().depthManager.set(manager);
    manager->startAI3D();
}

void TavroHomeStartViewController::handleConnectResult(const fdn::Notification& note) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto& delegate = AppDelegate::shared();
    // A result that arrives after the glasses went is stale: handing the window to the
    // connected panel would show controls for glasses that are gone, and dimming the
    // built-in screen would leave the user with no screen at all.
    bool glassesPresent = delegate.glassStatus.load();
    if (note.object.asBool()) {
        setHidden(connectBgView, true);
        setHidden(connectingLabel, false);
        setHidden(connectErrorLabel, true);
        setHidden(connectErrorTipsLabel, true);
        if (glassesPresent) {
            if (auto window = delegate.window.get()) {
                window->setContentViewController(delegate.glassConnectSuccessViewController.get());
            }
            if (delegate.privacyScreenLockButtonState.load() == 1)
                delegate.closeBuiltinBrightness();
        }
    } else {
        setHidden(connectBgView, false);
        setHidden(connectingLabel, true);
        setHidden(connectErrorLabel, false);
        setHidden(connectErrorTipsLabel, false);
    }
    if (!delegate.glassStatus.load()) showGlassesGoneLook();
}
