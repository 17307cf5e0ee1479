#pragma once
// The main window's content while the AI-3D mode runs: the glasses' name and firmware
// version, the depth bar, the screen mode (web, game, video) with its help picture, and
// the privacy-screen toggle. The status-item popover carries the same settings; the two
// keep each other in step with change-value messages, and both write the delegate's
// shared state and the same stored defaults. Main thread only.

#include <memory>
#include <optional>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

class TavroGlassConnectSuccessViewController : public platform::ui::ViewController {
  public:
    TavroGlassConnectSuccessViewController();
    ~TavroGlassConnectSuccessViewController() override;
    std::string className() const override { return "TavroGlassConnectSuccessViewController"; }

    // Outlets.
    std::weak_ptr<platform::ui::TextField> depthValueLabel;
    std::weak_ptr<platform::ui::ImageView> imgView;
    std::weak_ptr<platform::ui::TextField> nameLabel;
    std::weak_ptr<platform::ui::TextField> firmwareVersionLable;
    std::weak_ptr<platform::ui::View> contentBgView;
    std::weak_ptr<platform::ui::View> depthBgView;
    std::weak_ptr<platform::ui::View> depthView;
    std::weak_ptr<platform::ui::ImageView> depthPointImgView;
    std::weak_ptr<platform::ui::LayoutConstraint> depthPointImgViewLeftLayoutConstraint;
    std::weak_ptr<platform::ui::GestureRecognizer> clickGestureRecognizer;
    std::weak_ptr<platform::ui::GestureRecognizer> panGestureRecognizer;
    std::weak_ptr<platform::ui::ImageView> modeHelpImgView;
    std::weak_ptr<platform::ui::ImageView> modeHelpTipsImgView;
    std::weak_ptr<platform::ui::View> modeBgView;
    std::weak_ptr<platform::ui::ImageView> webModelSelectedImageView;
    std::weak_ptr<platform::ui::ImageView> gameModelSelectedImageView;
    std::weak_ptr<platform::ui::ImageView> videoModelSelectedImageView;
    std::weak_ptr<platform::ui::View> privacyScreenBgView;
    std::weak_ptr<platform::ui::Button> privacyScreenLockButton;

    // Actions.
    void PanGestureRecognizer(platform::ui::GestureRecognizer& recognizer);
    void ClickGestureRecognizer(platform::ui::GestureRecognizer& recognizer);
    void modelChangeClick(platform::ui::UiObject& sender);
    void privacyScreenLockButtonClick(platform::ui::UiObject& sender);

    // The operations behind them.
    void moveDepthPoint(double x);
    void updateDepthFromPosition(double x);
    void changeScreenMode(int64_t mode);
    void refreshModeUI();
    void togglePrivacyScreenLock();
    void updateGlassLabels();

    // Observers and the event monitor.
    void handleGlassVersion(const platform::foundation::Notification& note);
    void handleChangeValue(const platform::foundation::Notification& note);
    void updateModeHelpTip();

  protected:
    void viewDidLoad() override;

  private:
    void registerObservers();
    double depthBarWidth() const;

    platform::foundation::Subscription versionObserver_;
    platform::foundation::Subscription changeValueObserver_;
    std::optional<platform::ui::MonitorToken> mouseMonitor_;
};
