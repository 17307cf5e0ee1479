#include "TAVRO_3D/TavroDFUUpdateViewController.h"

#include "appstate/AppDelegate.h"
#include "common/AppIdentifier.h"
#include "common/GlobalHelpers.h"
#include "common/TavroFirmwareVersions.h"
#include "glasses/DfuUpgrade.h"
#include "glasses/GlassServer.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/ui/AttributedString.h"
#include "platform/ui/Image.h"
#include "widgets/ColorFromHex.h"

namespace fdn = platform::foundation;
namespace ui = platform::ui;

namespace {

constexpr double kBootloaderStartDelay = 1.25;
constexpr double kBootloaderPoll = 0.25;
constexpr int kBootloaderPolls = 20;

std::string dfuName(const char* suffix) {
    return common::AppIdentifier() + suffix;
}

ui::Color hex(const char* text) {
    return initWithHexString(text, 1.0).value_or(ui::Color::blackColor());
}

void postFailure() {
    common::postNotification(dfuName(".dfuUpdate_status"), fdn::Value(false));
}

}  // namespace

TavroDFUUpdateViewController::TavroDFUUpdateViewController() {
    declareOutlet("updateImageView", &updateImageView);
    declareOutlet("tipsLabel1", &tipsLabel1);
    declareOutlet("tipsLabel2", &tipsLabel2);
    declareOutlet("updateButton", &updateButton);
    declareOutlet("progressIndicator", &progressIndicator);
    declareAction("updateButtonClick:",
                  [this](ui::UiObject& sender) { updateButtonClick(sender); });
}

void TavroDFUUpdateViewController::viewDidLoad() {
    TAVRO_ASSERT_MAIN_THREAD();
    ViewController::viewDidLoad();
    AppDelegate::shared().isDfuUpdateStart = false;
    view()->setWantsLayer(true);
    view()->layer().setBackgroundColor(hex("#ECEDEE"));
    if (auto button = updateButton.lock()) {
        button->setWantsLayer(true);
        button->layer().setCornerRadius(6.0);
    }
    showOfferButton();
    if (auto progress = progressIndicator.lock()) {
        progress->setHidden(true);
        progress->setWantsLayer(true);
        progress->layer().setCornerRadius(1.0);
        progress->setIndeterminate(false);
    }
    showTips("发现眼镜固件新版本");
    if (auto label = tipsLabel2.lock())
        label->setStringValue(fdn::localizedString("升级耗时约15秒"));

    auto& center = fdn::NotificationCenter::defaultCenter();
    std::weak_ptr<ui::UiObject> weakSelf = weak_from_this();
    auto observe = [&](const char* suffix,
                       void (TavroDFUUpdateViewController::*handler)(const fdn::Notification&)) {
        return center.addObserver(
            dfuName(suffix), std::nullopt, fdn::OperationQueue::main(),
            [weakSelf, handler](const fdn::Notification& note) {
                if (auto self =
                        std::static_pointer_cast<TavroDFUUpdateViewController>(weakSelf.lock()))
                    ((*self).*handler)(note);
            });
    };
    versionShowObserver =
        observe(".dfuUpdate_versionShow", &TavroDFUUpdateViewController::showDfuVersion);
    progressObserver =
        observe(".dfuUpdate_progress", &TavroDFUUpdateViewController::updateDfuProgress);
    statusObserver = observe(".dfuUpdate_status", &TavroDFUUpdateViewController::handleDfuStatus);
}

void TavroDFUUpdateViewController::showTips(const std::string& text) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto label = tipsLabel1.lock();
    if (!label) return;
    ui::TextAttributes attributes;
    attributes.font = ui::Font::systemFont(18.0);
    attributes.foregroundColor = hex("#000000");
    attributes.paragraphStyle = ui::ParagraphStyle{5.0, ui::TextAlignment::Center};
    label->setStringValue("");
    label->setAttributedStringValue(ui::AttributedString(fdn::localizedString(text), attributes));
}

void TavroDFUUpdateViewController::showDfuVersion(const fdn::Notification& note) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (!note.object.isNumber()) return;
    AppDelegate& delegate = AppDelegate::shared();
    const bool plain = note.object.asFloat() == 1.0f;
    const std::string& tag = plain ? delegate.dfuUpdateVersion_V2 : delegate.dfuUpdateVersion_V2Pro;
    const std::string_view prefix =
        plain ? common::kFirmwareFamilyV2.prefix : common::kFirmwareFamilyV2Pro.prefix;
    // The family prefix reads as a plain "V" before the version number.
    std::string shown;
    size_t from = 0;
    for (size_t at; (at = tag.find(prefix, from)) != std::string::npos; from = at + prefix.size())
        shown.append(tag, from, at - from).append("V");
    shown.append(tag, from);
    if (auto label = tipsLabel2.lock()) label->setStringValue(fdn::localizedString("版本") + shown);
}

void TavroDFUUpdateViewController::updateDfuProgress(const fdn::Notification& note) {
    TAVRO_ASSERT_MAIN_THREAD();
    if (auto progress = progressIndicator.lock()) progress->setDoubleValue(note.object.asFloat());
}

void TavroDFUUpdateViewController::handleDfuStatus(const fdn::Notification& note) {
    TAVRO_ASSERT_MAIN_THREAD();
    isBeginUpdateDfu = false;
    const bool success = note.object.asBool();
    std::weak_ptr<ui::UiObject> weakSelf = weak_from_this();
    fdn::mainQueue()->async([weakSelf, success] {
        if (auto self = std::static_pointer_cast<TavroDFUUpdateViewController>(weakSelf.lock()))
            self->showDfuResult(success);
    });
}

void TavroDFUUpdateViewController::showDfuResult(bool success) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto button = updateButton.lock();
    auto progress = progressIndicator.lock();
    auto image = updateImageView.lock();
    if (progress) progress->setHidden(true);
    if (success) {
        if (button) button->setHidden(true);
        if (image) image->setImage(ui::Image::named("update-dfu-success"));
        showTips("升级完成，请重新插入眼镜");
        AppDelegate::shared().isDfuUpdateStart = false;
        return;
    }
    if (image) image->setImage(ui::Image::named("update-dfu-failed"));
    showTips("升级失败，请重试");
    if (button) {
        button->setHidden(false);
        button->setTitle(fdn::localizedString("重试"));
        button->setContentTintColor(hex("#FF0000"));
        button->layer().setBackgroundColor(hex("#FFFFFF"));
    }
}

void TavroDFUUpdateViewController::updateButtonClick(ui::UiObject&) {
    TAVRO_ASSERT_MAIN_THREAD();
    startDFUUpdate();
}

void TavroDFUUpdateViewController::startDFUUpdate() {
    TAVRO_ASSERT_MAIN_THREAD();
    if (auto image = updateImageView.lock()) image->setImage(ui::Image::named("update-dfu"));
    AppDelegate::shared().isDfuUpdateStart = true;
    auto progress = progressIndicator.lock();
    if (progress) progress->setDoubleValue(0);
    showTips("正在升级，请勿拔出眼镜");
    if (auto button = updateButton.lock()) button->setHidden(true);
    if (progress) progress->setHidden(false);

    // The update runs on a worker thread, which the quit ends and waits for.
    auto server = glassServer(AppDelegate::shared());
    if (server->connectedDeviceIsBootloader()) {
        fdn::globalQueue()->async([hold = fdn::BackgroundWork::hold()] { runDfuUpgrade(); });
        return;
    }
    if (server->enterDfu() != 0) {
        postFailure();
        return;
    }
    fdn::globalQueue()->async([hold = fdn::BackgroundWork::hold(), flag = beginUpdateFlag_] {
        if (fdn::BackgroundWork::sleepForSeconds(kBootloaderStartDelay)) waitForDFUStart(flag);
    });
}

void TavroDFUUpdateViewController::runDfuUpgrade() {
    if (fdn::BackgroundWork::stopping()) return;
    if (run_glass_dfu_upgrade() == -1) postFailure();
}

void TavroDFUUpdateViewController::waitForDFUStart(
    const std::shared_ptr<std::atomic<bool>>& beginUpdate) {
    for (int poll = 0; poll < kBootloaderPolls && !beginUpdate->load(); ++poll) {
        if (!fdn::BackgroundWork::sleepForSeconds(kBootloaderPoll)) return;
    }
    if (AppDelegate::shared().glassStatus.load()) runDfuUpgrade();
}

void TavroDFUUpdateViewController::resetDfuView() {
    TAVRO_ASSERT_MAIN_THREAD();
    if (!isViewLoaded()) return;
    isBeginUpdateDfu = false;
    if (auto image = updateImageView.lock()) image->setImage(ui::Image::named("update-dfu"));
    showTips("发现眼镜固件新版本");
    if (auto label = tipsLabel2.lock())
        label->setStringValue(fdn::localizedString("升级耗时约15秒"));
    showOfferButton();
    if (auto progress = progressIndicator.lock()) {
        progress->setHidden(true);
        progress->setDoubleValue(0);
    }
}

void TavroDFUUpdateViewController::showOfferButton() {
    auto button = updateButton.lock();
    if (!button) return;
    button->setHidden(false);
    button->setTitle(fdn::localizedString("开始升级"));
    button->setContentTintColor(hex("#FFFFFF"));
    button->layer().setBackgroundColor(hex("#068EFF"));
}
