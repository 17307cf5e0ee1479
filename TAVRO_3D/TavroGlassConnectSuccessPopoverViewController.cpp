#include "TAVRO_3D/TavroGlassConnectSuccessPopoverViewController.h"

#include "TAVRO_3D/ConnectedSettings.h"
#include "TAVRO_3D/DepthBar.h"
#include "appstate/AppDelegate.h"
#include "common/DecimalNumberFormatter.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/ui/Application.h"
#include "platform/ui/Popover.h"
#include "widgets/ColorFromHex.h"

namespace fdn = platform::foundation;
namespace ui = platform::ui;

namespace {

void styleBox(const std::shared_ptr<ui::View>& view, double cornerRadius) {
    if (!view) return;
    view->setWantsLayer(true);
    if (auto colour = initWithHexString("#FFFFFF", 0.6)) view->layer().setBackgroundColor(*colour);
    if (cornerRadius > 0) view->layer().setCornerRadius(cornerRadius);
}

}  // namespace

TavroGlassConnectSuccessPopoverViewController::TavroGlassConnectSuccessPopoverViewController() {
    declareOutlet("depthBgView", &depthBgView);
    declareOutlet("depthView", &depthView);
    declareOutlet("depthPointImgView", &depthPointImgView);
    declareOutlet("depthPointImgViewLeftLayoutConstraint", &depthPointImgViewLeftLayoutConstraint);
    declareOutlet("clickGestureRecognizer", &clickGestureRecognizer);
    declareOutlet("panGestureRecognizer", &panGestureRecognizer);
    declareOutlet("modeBgView", &modeBgView);
    declareOutlet("webModelSelectedImageView", &webModelSelectedImageView);
    declareOutlet("gameModelSelectedImageView", &gameModelSelectedImageView);
    declareOutlet("videoModelSelectedImageView", &videoModelSelectedImageView);
    declareOutlet("privacyScreenBgView", &privacyScreenBgView);
    declareOutlet("privacyScreenLockButton", &privacyScreenLockButton);
    declareOutlet("exitButton", &exitButton);
    declareAction("PanGestureRecognizer:", [this](ui::UiObject& sender) {
        if (auto* recognizer = dynamic_cast<ui::GestureRecognizer*>(&sender))
            PanGestureRecognizer(*recognizer);
    });
    declareAction("ClickGestureRecognizer:", [this](ui::UiObject& sender) {
        if (auto* recognizer = dynamic_cast<ui::GestureRecognizer*>(&sender))
            ClickGestureRecognizer(*recognizer);
    });
    declareAction("modelChangeClick:", [this](ui::UiObject& sender) { modelChangeClick(sender); });
    declareAction("privacyScreenLockButtonClick:",
                  [this](ui::UiObject& sender) { privacyScreenLockButtonClick(sender); });
    declareAction("exitButtonClick:", [this](ui::UiObject& sender) { exitButtonClick(sender); });
}

void TavroGlassConnectSuccessPopoverViewController::viewDidLoad() {
    TAVRO_ASSERT_MAIN_THREAD();
    ViewController::viewDidLoad();
    view()->setWantsLayer(true);
    if (auto colour = initWithHexString("#ECEDEE", 1.0))
        view()->layer().setBackgroundColor(*colour);
    styleBox(depthBgView.lock(), 0);
    styleBox(modeBgView.lock(), 0);
    styleBox(privacyScreenBgView.lock(), 0);
    styleBox(exitButton.lock(), 20.0);
    moveDepthPoint(
        depthbar::positionForDepth(AppDelegate::shared().depthValue.load(), depthBarWidth()));
    refreshModeUI();
    registerObservers();
}

void TavroGlassConnectSuccessPopoverViewController::registerObservers() {
    std::weak_ptr<ui::UiObject> weakSelf = weak_from_this();
    changeValueObserver_ = fdn::NotificationCenter::defaultCenter().addObserver(
        connected::kChangeValueToPopover, std::nullopt, fdn::OperationQueue::main(),
        [weakSelf](const fdn::Notification& note) {
            if (auto self = std::static_pointer_cast<TavroGlassConnectSuccessPopoverViewController>(
                    weakSelf.lock()))
                self->handleChangeValue(note);
        });
}

double TavroGlassConnectSuccessPopoverViewController::depthBarWidth() const {
    auto bar = depthView.lock();
    return bar ? bar->frame().size.width : 0;
}

void TavroGlassConnectSuccessPopoverViewController::moveDepthPoint(double x) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto constraint = depthPointImgViewLeftLayoutConstraint.lock();
    auto knob = depthPointImgView.lock();
    if (!constraint || !knob) return;
    constraint->setConstant(depthbar::knobLeadingOffset(
        x, depthBarWidth(), knob->frame().size.width, depthbar::kPopoverKnobMargin));
}

void TavroGlassConnectSuccessPopoverViewController::updateDepthFromPosition(double x) {
    TAVRO_ASSERT_MAIN_THREAD();
    const double width = depthBarWidth();
    const double pos = depthbar::clampedPosition(x, width);
    auto knob = depthPointImgView.lock();
    const float depth = depthbar::depthForPosition(pos, width, knob ? knob->frame().size.width : 0);
    if (auto text = common::formatDepthValue(depth))
        connected::storeDepth(common::depthValueFromLabel(*text, depth));
    connected::postDepthPosition(connected::kChangeValueToPanel, pos);
}

void TavroGlassConnectSuccessPopoverViewController::ClickGestureRecognizer(
    ui::GestureRecognizer& recognizer) {
    TAVRO_ASSERT_MAIN_THREAD();
    const double x = recognizer.locationInView(depthView.lock().get()).x;
    moveDepthPoint(x);
    updateDepthFromPosition(x);
}

void TavroGlassConnectSuccessPopoverViewController::PanGestureRecognizer(
    ui::GestureRecognizer& recognizer) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (depthbar::panMovesKnob(recognizer.state())) ClickGestureRecognizer(recognizer);
}

void TavroGlassConnectSuccessPopoverViewController::modelChangeClick(ui::UiObject& sender) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (auto* view = dynamic_cast<ui::View*>(&sender)) changeScreenMode(view->tag());
}

void TavroGlassConnectSuccessPopoverViewController::changeScreenMode(int64_t mode) {
    TAVRO_ASSERT_MAIN_THREAD();
    connected::storeScreenMode(mode);
    refreshModeUI();
    connected::postModeChange(connected::kChangeValueToPanel, mode);
    AppDelegate& delegate = AppDelegate::shared();
    if (auto popover = delegate.firstPopover.get()) popover->close();
    if (auto depth = depthbar::defaultDepthForMode(mode)) delegate.depthValue = *depth;
    const double x = depthbar::positionForDepth(delegate.depthValue.load(), depthBarWidth());
    moveDepthPoint(x);
    connected::storeDepth(delegate.depthValue.load());
    connected::postDepthPosition(connected::kChangeValueToPanel, x);
}

void TavroGlassConnectSuccessPopoverViewController::refreshModeUI() {
    TAVRO_ASSERT_MAIN_THREAD();
    connected::showModeMarks({webModelSelectedImageView.lock(), gameModelSelectedImageView.lock(),
                              videoModelSelectedImageView.lock()});
    if (auto toggle = privacyScreenLockButton.lock()) connected::showPrivacyState(*toggle);
}

void TavroGlassConnectSuccessPopoverViewController::privacyScreenLockButtonClick(ui::UiObject&) {
    TAVRO_ASSERT_MAIN_THREAD();
    togglePrivacyScreenLock();
}

void TavroGlassConnectSuccessPopoverViewController::togglePrivacyScreenLock() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto toggle = privacyScreenLockButton.lock();
    if (!toggle) return;
    const int64_t state = toggle->state();
    connected::applyPrivacyToggle(state);
    connected::setToggleImage(*toggle, state);
    connected::storePrivacyState(state);
    connected::postPrivacyChange(connected::kChangeValueToPanel, state);
}

void TavroGlassConnectSuccessPopoverViewController::exitButtonClick(ui::UiObject&) {
    TAVRO_ASSERT_MAIN_THREAD();
    ui::Application::shared().terminate();
}

void TavroGlassConnectSuccessPopoverViewController::handleChangeValue(
    const fdn::Notification& note) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto message = connected::readChangeValue(note);
    if (!message) return;
    switch (message->type) {
        case 1:
            moveDepthPoint(message->value * 0.5419847328244275);
            break;
        case 2:
            refreshModeUI();
            break;
        case 3:
            if (auto toggle = privacyScreenLockButton.lock()) connected::showPrivacyState(*toggle);
            break;
        default:
            break;
    }
}
