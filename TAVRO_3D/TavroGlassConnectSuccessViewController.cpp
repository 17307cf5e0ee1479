#include "TAVRO_3D/TavroGlassConnectSuccessViewController.h"

#include "TAVRO_3D/ConnectedSettings.h"
#include "TAVRO_3D/DepthBar.h"
#include "TAVRO_3D/DepthFilterParameters.h"
#include "appstate/AppDelegate.h"
#include "common/DecimalNumberFormatter.h"
#include "glasses/GlassServer.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/ui/Image.h"
#include "platform/ui/Window.h"
#include "widgets/ColorFromHex.h"

namespace fdn = platform::foundation;
namespace ui = platform::ui;

namespace {

std::vector<std::string> splitAt(const std::string& text, const std::string& separator) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos;) {
        pieces.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

void styleBox(const std::weak_ptr<ui::View>& box) {
    auto view = box.lock();
    if (!view) return;
    view->setWantsLayer(true);
    if (auto colour = initWithHexString("#FFFFFF", 0.6)) view->layer().setBackgroundColor(*colour);
    view->layer().setCornerRadius(10.0);
}

}  // namespace

TavroGlassConnectSuccessViewController::TavroGlassConnectSuccessViewController() {
    declareOutlet("depthValueLabel", &depthValueLabel);
    declareOutlet("imgView", &imgView);
    declareOutlet("nameLabel", &nameLabel);
    declareOutlet("firmwareVersionLable", &firmwareVersionLable);
    declareOutlet("contentBgView", &contentBgView);
    declareOutlet("depthBgView", &depthBgView);
    declareOutlet("depthView", &depthView);
    declareOutlet("depthPointImgView", &depthPointImgView);
    declareOutlet("depthPointImgViewLeftLayoutConstraint", &depthPointImgViewLeftLayoutConstraint);
    declareOutlet("clickGestureRecognizer", &clickGestureRecognizer);
    declareOutlet("panGestureRecognizer", &panGestureRecognizer);
    declareOutlet("modeHelpImgView", &modeHelpImgView);
    declareOutlet("modeHelpTipsImgView", &modeHelpTipsImgView);
    declareOutlet("modeBgView", &modeBgView);
    declareOutlet("webModelSelectedImageView", &webModelSelectedImageView);
    declareOutlet("gameModelSelectedImageView", &gameModelSelectedImageView);
    declareOutlet("videoModelSelectedImageView", &videoModelSelectedImageView);
    declareOutlet("privacyScreenBgView", &privacyScreenBgView);
    declareOutlet("privacyScreenLockButton", &privacyScreenLockButton);
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
}

TavroGlassConnectSuccessViewController::~TavroGlassConnectSuccessViewController() {
    if (mouseMonitor_) ui::Application::shared().removeMonitor(*mouseMonitor_);
}

void TavroGlassConnectSuccessViewController::viewDidLoad() {
    TAVRO_ASSERT_MAIN_THREAD();
    ViewController::viewDidLoad();
    view()->setWantsLayer(true);
    if (auto colour = initWithHexString("#ECEDEE", 1.0))
        view()->layer().setBackgroundColor(*colour);
    if (auto tips = modeHelpTipsImgView.lock())
        tips->setImage(ui::Image::named(fdn::localizedString("mode-help-tips")));
    styleBox(depthBgView);
    styleBox(modeBgView);
    styleBox(privacyScreenBgView);

    const float depth = AppDelegate::shared().depthValue.load();
    moveDepthPoint(depthbar::positionForDepth(depth, depthBarWidth()));
    if (auto label = depthValueLabel.lock())
        label->setStringValue(common::shortestFloatText(depth));

    refreshModeUI();
    updateGlassLabels();
    registerObservers();

    std::weak_ptr<ui::UiObject> weakSelf = weak_from_this();
    mouseMonitor_ = ui::Application::shared().addLocalMonitor(
        ui::eventMask(ui::EventType::LeftMouseUp) | ui::eventMask(ui::EventType::MouseMoved),
        [weakSelf](const ui::Event& event) -> std::optional<ui::Event> {
            if (auto self = std::static_pointer_cast<TavroGlassConnectSuccessViewController>(
                    weakSelf.lock()))
                self->updateModeHelpTip();
            return event;
        });
}

void TavroGlassConnectSuccessViewController::registerObservers() {
    auto& center = fdn::NotificationCenter::defaultCenter();
    std::weak_ptr<ui::UiObject> weakSelf = weak_from_this();
    auto self = [weakSelf] {
        return std::static_pointer_cast<TavroGlassConnectSuccessViewController>(weakSelf.lock());
    };
    versionObserver_ =
        center.addObserver(connected::kGlassVersionNotification, std::nullopt,
                           fdn::OperationQueue::main(), [self](const fdn::Notification& note) {
                               if (auto panel = self()) panel->handleGlassVersion(note);
                           });
    changeValueObserver_ =
        center.addObserver(connected::kChangeValueToPanel, std::nullopt,
                           fdn::OperationQueue::main(), [self](const fdn::Notification& note) {
                               if (auto panel = self()) panel->handleChangeValue(note);
                           });
}

double TavroGlassConnectSuccessViewController::depthBarWidth() const {
    auto bar = depthView.lock();
    return bar ? bar->frame().size.width : 0;
}

void TavroGlassConnectSuccessViewController::handleGlassVersion(const fdn::Notification& note) {
    TAVRO_ASSERT_MAIN_THREAD();
    AppDelegate::shared().glassVersion.set(note.object.text());
    updateGlassLabels();
}

void TavroGlassConnectSuccessViewController::updateGlassLabels() {
    TAVRO_ASSERT_MAIN_THREAD();
    if (auto label = nameLabel.lock())
        label->setStringValue(glassServer(AppDelegate::shared())->glassName());
    const auto pieces = splitAt(AppDelegate::shared().glassVersion.get(), "_V");
    if (pieces.size() != 2) return;
    const std::string version = splitAt(pieces[1], "-").front();
    if (auto label = firmwareVersionLable.lock())
        label->setStringValue(fdn::localizedString("固件版本：V") + version);
}

void TavroGlassConnectSuccessViewController::moveDepthPoint(double x) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto constraint = depthPointImgViewLeftLayoutConstraint.lock();
    auto knob = depthPointImgView.lock();
    if (!constraint || !knob) return;
    constraint->setConstant(depthbar::knobLeadingOffset(
        x, depthBarWidth(), knob->frame().size.width, depthbar::kPanelKnobMargin));
}

void TavroGlassConnectSuccessViewController::updateDepthFromPosition(double x) {
    TAVRO_ASSERT_MAIN_THREAD();
    const double width = depthBarWidth();
    const double pos = depthbar::clampedPosition(x, width);
    auto knob = depthPointImgView.lock();
    const float depth = depthbar::depthForPosition(pos, width, knob ? knob->frame().size.width : 0);
    if (auto text = common::formatDepthValue(depth)) {
        connected::storeDepth(common::depthValueFromLabel(*text, depth));
        if (auto label = depthValueLabel.lock()) label->setStringValue(*text);
    }
    connected::postDepthPosition(connected::kChangeValueToPopover, pos);
}

void TavroGlassConnectSuccessViewController::ClickGestureRecognizer(
    ui::GestureRecognizer& recognizer) {
    TAVRO_ASSERT_MAIN_THREAD();
    const double x = recognizer.locationInView(depthView.lock().get()).x;
    moveDepthPoint(x);
    updateDepthFromPosition(x);
}

void TavroGlassConnectSuccessViewController::PanGestureRecognizer(
    ui::GestureRecognizer& recognizer) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (depthbar::panMovesKnob(recognizer.state())) ClickGestureRecognizer(recognizer);
}

void TavroGlassConnectSuccessViewController::modelChangeClick(ui::UiObject& sender) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (auto* view = dynamic_cast<ui::View*>(&sender)) changeScreenMode(view->tag());
}

void TavroGlassConnectSuccessViewController::changeScreenMode(int64_t mode) {
    TAVRO_ASSERT_MAIN_THREAD();
    connected::storeScreenMode(mode);
    refreshModeUI();
    connected::postModeChange(connected::kChangeValueToPopover, mode);
    AppDelegate& delegate = AppDelegate::shared();
    if (auto depth = depthbar::defaultDepthForMode(mode)) delegate.depthValue = *depth;
    const double x = depthbar::positionForDepth(delegate.depthValue.load(), depthBarWidth());
    moveDepthPoint(x);
    connected::storeDepth(delegate.depthValue.load());
    connected::postDepthPosition(connected::kChangeValueToPopover, x);
}

void TavroGlassConnectSuccessViewController::refreshModeUI() {
    TAVRO_ASSERT_MAIN_THREAD();
    connected::showModeMarks({webModelSelectedImageView.lock(), gameModelSelectedImageView.lock(),
                              videoModelSelectedImageView.lock()});
    applyDepthFilterParameters();
    if (auto toggle = privacyScreenLockButton.lock()) connected::showPrivacyState(*toggle);
}

void TavroGlassConnectSuccessViewController::privacyScreenLockButtonClick(ui::UiObject&) {
    TAVRO_ASSERT_MAIN_THREAD();
    togglePrivacyScreenLock();
}

void TavroGlassConnectSuccessViewController::togglePrivacyScreenLock() {
    TAVRO_ASSERT_MAIN_THREAD();
    auto toggle = privacyScreenLockButton.lock();
    if (!toggle) return;
    const int64_t state = toggle->state();
    connected::applyPrivacyToggle(state);
    connected::setToggleImage(*toggle, state);
    connected::storePrivacyState(state);
    connected::postPrivacyChange(connected::kChangeValueToPopover, state);
}

void TavroGlassConnectSuccessViewController::handleChangeValue(const fdn::Notification& note) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto message = connected::readChangeValue(note);
    if (!message) return;
    switch (message->type) {
        case 1:
            moveDepthPoint(message->value * 1.8450704225352113);
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

void TavroGlassConnectSuccessViewController::updateModeHelpTip() {
    TAVRO_ASSERT_MAIN_THREAD();
    const ui::Point mouse = ui::Event::mouseLocation();
    if (!isViewLoaded()) return;
    ui::Window* window = view()->window();
    auto icon = modeHelpImgView.lock();
    auto tips = modeHelpTipsImgView.lock();
    if (!window || !icon || !tips) return;
    const ui::Rect inWindow = icon->convertRectToView(icon->bounds(), nullptr);
    const ui::Rect onScreen = window->convertRectToScreen(inWindow);
    tips->setHidden(!ui::mouseInRect(mouse, onScreen, false));
}
