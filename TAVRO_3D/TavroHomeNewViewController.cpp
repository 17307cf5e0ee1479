#include "TAVRO_3D/TavroHomeNewViewController.h"

#include "appstate/AppDelegate.h"
#include "common/GCXTimer.h"
#include "common/GlobalHelpers.h"
#include "display/DummyManager.h"
#include "display/ScreenRecognition.h"
#include "display/TavroSystemSleepOrPowerOn.h"
#include "display/tavroDisplayManager.h"
#include "glasses/TavroUSBServiceOC.h"
#include "glasses/TavroVXServer.h"
#include "localnet/TavroLocalServer.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/screens/DisplayServices.h"
#include "platform/screens/Reconfiguration.h"
#include "platform/ui/Application.h"
#include "platform/ui/Event.h"
#include "platform/ui/Screen.h"
#include "widgets/ColorFromHex.h"

namespace fdn = platform::foundation;
namespace ui = platform::ui;
namespace screens = platform::screens;

namespace {

constexpr double kPermissionCheckStart = 0.5;
constexpr double kPermissionCheckInterval = 5.0;
constexpr ui::EventMask kMediaKeyEventMask =
    ui::eventMask(ui::EventType::KeyDown) | ui::eventMask(ui::EventType::SystemDefined);
static_assert(kMediaKeyEventMask == 17408);

bool isMacMini() {
    return TavroLocalServer::getDeviceModel().find("Mac mini") != std::string::npos;
}

// Makes the rest of the application see the glasses go and come back, so that the plug
// sequence decides again whether the Monitor virtual display is needed.
void replayGlassesPlug() {
    auto monitor = DummyManager::findDummyByDefinitionId(tavroDisplayManager::kMonitorDefinitionId);
    if (monitor && monitor->isConnected) monitor->disconnect(false);
    auto& center = fdn::NotificationCenter::defaultCenter();
    center.post(kGlassStatusChangeNotification, fdn::Value(int64_t{0}));
    for (const auto& screen : ui::Screen::screens()) {
        if (isTavroGlassScreenName(screen.localizedName)) {
            center.post(kGlassStatusChangeNotification, fdn::Value(int64_t{1}));
            break;
        }
    }
}

// Touching the shared observer creates it and so registers its observers; this is the one
// place that does.
void ensureSleepOrPowerOnObserver() {
    (void)TavroSystemSleepOrPowerOn::shared();
}

void recentreCursor() {
    auto main = ui::Screen::mainScreen();
    if (!main) return;
    screens::Rect bounds = screens::displayBounds(main->displayId);
    (void)screens::warpMouseCursorPosition(
        {bounds.x + main->frame.size.width * 0.5, bounds.y + main->frame.size.height * 0.5});
}

}  // namespace

TavroHomeNewViewController::TavroHomeNewViewController()
    : platform::ui::ViewController("TavroHomeNewViewController") {
    declareOutlet("titleView", &titleView);
    declareOutlet("wiredBgView", &wiredBgView);
    declareOutlet("imageView", &imageView);
    declareOutlet("tipsLabel0", &tipsLabel0);
    declareOutlet("tipsLabel", &tipsLabel);
}

TavroHomeNewViewController::~TavroHomeNewViewController() {
    if (reconfigurationToken_ != 0) screens::removeReconfigurationCallback(reconfigurationToken_);
    common::GCXTimer::cancelTimerTask(checkAccessibilityTimer.exchange(""));
}

void TavroHomeNewViewController::viewDidLoad() {
    TAVRO_ASSERT_MAIN_THREAD();
    ui::ViewController::viewDidLoad();
    reconfigurationToken_ = screens::registerReconfigurationCallback(
        &TavroHomeNewViewController::displayReconfigurationCallback);

    // The check holds the controller weakly: the delegate keeps the one home panel for the
    // whole run, and a panel made by a test may go before its check.
    std::weak_ptr<TavroHomeNewViewController> weak =
        std::static_pointer_cast<TavroHomeNewViewController>(shared_from_this());
    checkAccessibilityTimer.set(common::GCXTimer::execTask(
        [weak] {
            if (auto self = weak.lock()) self->checkAccessibilityTick();
        },
        kPermissionCheckStart, kPermissionCheckInterval, true, true));

    ensureSleepOrPowerOnObserver();

    setUpAppearance();
    if (auto label = tipsLabel.lock()) {
        label->setStringValue(fdn::localizedString(
            needsVirtualMainDisplay() ? "Mac mini需连接外接显示器" : "连接前请断开其他外接显示器"));
    }
}

void TavroHomeNewViewController::setUpAppearance() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto background = initWithHexString("#ECEDEE", 1.0);
    if (auto title = titleView.lock()) {
        title->setWantsLayer(true);
        title->layer().setBackgroundColor(background);
    }
    view()->setWantsLayer(true);
    view()->layer().setBackgroundColor(background);
}

void TavroHomeNewViewController::checkAccessibilityTick() {
    if (!TavroUSBServiceOC::shareManager().canRecordScreen()) return;
    if (!common::checkAccessibility([] {
            const ui::Point location = ui::Event::mouseLocation();
            return platform::capture::Point{location.x, location.y};
        })) {
        return;
    }

    auto& application = ui::Application::shared();
    application.addLocalMonitor(kMediaKeyEventMask, [](const ui::Event& event) {
        AppDelegate::shared().handleMediaKey(event);
        return std::optional<ui::Event>(event);
    });
    application.addGlobalMonitor(kMediaKeyEventMask, [](const ui::Event& event) {
        AppDelegate::shared().handleMediaKey(event);
    });
    common::GCXTimer::cancelTimerTask(checkAccessibilityTimer.exchange(""));
}

void TavroHomeNewViewController::displayReconfigurationCallback(uint32_t display, uint32_t flags) {
    TAVRO_ASSERT_MAIN_THREAD();
    uint32_t glassDisplay = AppDelegate::shared().glassDisplayID.load();
    if (flags & screens::kDisplayAddFlag) {
        if (isMacMini() && display != glassDisplay && common::onlineDisplayCount() >= 2) {
            auto monitor =
                DummyManager::findDummyByDefinitionId(tavroDisplayManager::kMonitorDefinitionId);
            // The Monitor virtual display coming up is the plug sequence's own doing.
            if (monitor && monitor->displayIdentifier == display) return;
            replayGlassesPlug();
        }
        recentreCursor();
    } else if (flags & screens::kDisplayRemoveFlag) {
        if (isMacMini() && display != glassDisplay && common::onlineDisplayCount() <= 1) {
            replayGlassesPlug();
        }
        recentreCursor();
    } else if (flags & (screens::kDisplaySetModeFlag | screens::kDisplaySetMainFlag)) {
        recentreCursor();
    }
}
