#include "TAVRO_3D/TavroTemperatureDriftCalibrationView.h"

#include <utility>

#include "appstate/AppDelegate.h"
#include "common/TavroLocalizationHelper.h"
#include "glasses/GlassServer.h"
#include "glasses/TavroVXServer.h"
#include "localnet/TavroLocalServer.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Dispatch.h"
#include "platform/ui/AttributedString.h"
#include "platform/ui/Image.h"
#include "platform/ui/ViewDescription.h"
#include "widgets/ColorFromHex.h"
#include "widgets/ProgressHUD/ProgressHUD.h"

namespace fdn = platform::foundation;
namespace ui = platform::ui;

namespace {

ui::Color hex(const char* text, double alpha = 1.0) {
    return initWithHexString(text, alpha).value_or(ui::Color::blackColor());
}

void boxLayer(const std::shared_ptr<ui::View>& view, const char* colour) {
    if (!view) return;
    view->setWantsLayer(true);
    view->layer().setBackgroundColor(hex(colour));
}

void setLabel(const std::weak_ptr<ui::TextField>& label, const std::string& key) {
    if (auto field = label.lock()) field->setStringValue(fdn::localizedString(key));
}

}  // namespace

TavroTemperatureDriftCalibrationView::TavroTemperatureDriftCalibrationView(ui::Rect frame)
    : View(frame) {
    declareOutlet("contentBgView", &contentBgView);
    declareOutlet("tipsLabel", &tipsLabel);
    declareOutlet("resetButton", &resetButton);
    declareOutlet("closeButton", &closeButton);
    declareOutlet("loadingBgView", &loadingBgView);
    declareOutlet("progressIndicator", &progressIndicator);
    declareOutlet("tipsLabel1", &tipsLabel1);
    declareOutlet("tipsLabel2", &tipsLabel2);
    declareOutlet("successBgView", &successBgView);
    declareOutlet("tipsLabel3", &tipsLabel3);
    declareOutlet("tipsLabel4", &tipsLabel4);
    declareAction("resetButtonClick:", [this](ui::UiObject& sender) { resetButtonClick(sender); });
    declareAction("closeButtonClick:", [this](ui::UiObject& sender) { closeButtonClick(sender); });
}

TavroTemperatureDriftCalibrationView::~TavroTemperatureDriftCalibrationView() {
    // The monitor holds the view weakly; it goes with the view rather than piling up.
    if (mouseMonitor_) ui::Application::shared().removeMonitor(*mouseMonitor_);
}

std::shared_ptr<TavroTemperatureDriftCalibrationView>
TavroTemperatureDriftCalibrationView::fromDescription() {
    auto view = std::make_shared<TavroTemperatureDriftCalibrationView>();
    auto result = ui::ViewDescription::load(view->className(), view.get(), view);
    if (!result) return nullptr;
    return view;
}

void TavroTemperatureDriftCalibrationView::awakeFromDescription() {
    awakeFromNib();
}

void TavroTemperatureDriftCalibrationView::awakeFromNib() {
    TAVRO_ASSERT_MAIN_THREAD();
    setWantsLayer(true);
    layer().setBackgroundColor(hex("#000000", 0.4));
    if (auto content = contentBgView.lock()) {
        boxLayer(content, "#EEF1F7");
        content->layer().setCornerRadius(24.0);
    }
    if (auto close = closeButton.lock()) close->setImage(ui::Image::named("close"));
    showCalibrationTips("将眼镜摘下\n平放在桌上并保持静止");
    if (auto reset = resetButton.lock()) {
        boxLayer(reset, "#FFFFFF");
        reset->setTitle(fdn::localizedString("恢复默认值"));
        reset->setContentTintColor(hex("#000000", 0.4));
        reset->layer().setCornerRadius(15.0);
    }
    if (auto loading = loadingBgView.lock()) {
        boxLayer(loading, "#EEF1F7");
        loading->setHidden(true);
    }
    if (auto spinner = progressIndicator.lock()) spinner->startAnimation();
    setLabel(tipsLabel1, "正在校准");
    setLabel(tipsLabel2, "请勿移动眼镜");
    if (auto success = successBgView.lock()) {
        boxLayer(success, "#EEF1F7");
        success->setHidden(true);
    }
    setLabel(tipsLabel3, "校准成功");
    setLabel(tipsLabel4, "可以继续使用眼镜");

    std::weak_ptr<ui::UiObject> weakSelf = weak_from_this();
    mouseMonitor_ = ui::Application::shared().addLocalMonitor(
        ui::eventMask(ui::EventType::LeftMouseUp) | ui::eventMask(ui::EventType::MouseMoved),
        [weakSelf](const ui::Event& event) -> std::optional<ui::Event> {
            if (auto self = std::dynamic_pointer_cast<TavroTemperatureDriftCalibrationView>(
                    weakSelf.lock()))
                self->handleCalibrationMouse(event);
            return event;
        });
}

void TavroTemperatureDriftCalibrationView::showCalibrationTips(const std::string& text) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto label = tipsLabel.lock();
    if (!label) return;
    const bool chinese = common::TavroLocalizationHelper::rawValue(
                             common::TavroLocalizationHelper::shared().language())
                             .starts_with("zh-Hans");
    ui::TextAttributes attributes;
    attributes.font = ui::Font::systemFont(chinese ? 20.0 : 18.0);
    attributes.foregroundColor = hex("#000000");
    attributes.paragraphStyle = ui::ParagraphStyle{5.0, ui::TextAlignment::Center};
    label->setStringValue("");
    label->setAttributedStringValue(ui::AttributedString(fdn::localizedString(text), attributes));
}

void TavroTemperatureDriftCalibrationView::handleCalibrationMouse(const ui::Event& event) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (event.windowPtr().get() != window()) return;
    auto content = contentBgView.lock();
    auto reset = resetButton.lock();
    auto close = closeButton.lock();
    if (!content || !reset || !close) return;
    const ui::Point inContent = content->convertPointFromView(event.locationInWindow, nullptr);
    const ui::Point inSelf = convertPointFromView(event.locationInWindow, nullptr);
    if (event.type == ui::EventType::MouseMoved) {
        reset->layer().setBackgroundColor(hex("#FFFFFF"));
        reset->setContentTintColor(hex("#000000", 0.4));
        close->setImage(ui::Image::named("close"));
        if (ui::mouseInRect(inContent, reset->frame(), false)) {
            reset->layer().setBackgroundColor(hex("#018DFF"));
            reset->setContentTintColor(hex("#FFFFFF"));
        } else if (ui::mouseInRect(inContent, close->frame(), false)) {
            close->setImage(ui::Image::named("close_hover"));
        }
    } else if (event.type == ui::EventType::LeftMouseUp) {
        if (ui::mouseInRect(inSelf, content->frame(), false)) return;
        auto success = successBgView.lock();
        if (!success || success->isHidden()) return;
        closeCalibrationView();
    }
}

void TavroTemperatureDriftCalibrationView::closeButtonClick(ui::UiObject&) {
    TAVRO_ASSERT_MAIN_THREAD();
    closeCalibrationView();
}

void TavroTemperatureDriftCalibrationView::resetButtonClick(ui::UiObject&) {
    TAVRO_ASSERT_MAIN_THREAD();
    resetTemperatureDrift();
}

void TavroTemperatureDriftCalibrationView::invalidateTimer() {
    if (auto timer = std::exchange(timer_, nullptr)) timer->cancel();
}

void TavroTemperatureDriftCalibrationView::closeCalibrationView() {
    TAVRO_ASSERT_MAIN_THREAD();
    calibrateStatus = -1;
    invalidateTimer();
    errorDataCount = 0;
    AppDelegate& delegate = AppDelegate::shared();
    if (delegate.privacyScreenLockButtonState.load() == 1) delegate.closeBuiltinBrightness();
    if (closeCallBack) closeCallBack();
    removeFromSuperview();
}

void TavroTemperatureDriftCalibrationView::resetTemperatureDrift() {
    TAVRO_ASSERT_MAIN_THREAD();
    calibrateStatus = -1;
    invalidateTimer();
    errorDataCount = 0;
    auto server = glassServer(AppDelegate::shared());
    server->setUserTempDrift(0, 0.0f, 0.0f, 0.0f, 0.0f);
    server->setUserTempDrift(1, 0.0f, 0.0f, 0.0f, 0.0f);
    // This view closes below, before the message is shown: the message goes onto the view
    // that stays beneath it.
    ui::ViewPtr stays = superview() ? superview()->sharedView() : nullptr;
    ProgressHUD::showMessage(fdn::localizedString("已恢复默认值"), stays ? stays : sharedView());
    sendBiasTable([](bool) {});
    closeCalibrationView();
}

void TavroTemperatureDriftCalibrationView::sendBiasTable(std::function<void(bool)> completion) {
    TavroLocalServer& server = TavroLocalServer::shareManager();
    server.biasArray()->removeAllObjects();
    server.setBiasCount(0);
    // Held, so that the quit waits for it rather than ending the process under it.
    fdn::globalQueue()->async(
        [completion = std::move(completion), held = fdn::BackgroundWork::hold()] {
            TavroLocalServer& local = TavroLocalServer::shareManager();
            // A reply beyond the table's size must end the wait as well as the last one does; the
            // quit ends it without sending.
            while (local.biasCount() < local.maxBiasCount1() &&
                   AppDelegate::shared().glassStatus.load()) {
                if (!fdn::BackgroundWork::sleepForSeconds(0.5)) return;
            }
            local.sendTextMessageWithDict(
                local.biasDict().value_or(fdn::Value(fdn::ValueDictionary{})));
            if (completion) completion(true);
        });
}
