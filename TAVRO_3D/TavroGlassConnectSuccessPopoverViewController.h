#pragma once
// The status-item popover's content while the AI-3D mode runs: the connected panel's three
// settings in a smaller layout (depth bar, screen mode, privacy-screen toggle) and a
// button that quits the application. It writes the same shared state and stored defaults
// as the panel and keeps it in step with change-value messages. Main thread only.

#include <memory>
#include <optional>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/ViewController.h"

class TavroGlassConnectSuccessPopoverViewController : public platform::ui::ViewController {
  public:
    TavroGlassConnectSuccessPopoverViewController();
    std::string className() const override {
        return "TavroGlassConnectSuccessPopoverViewController";
    }

    // Outlets.
    std::weak_ptr<platform::ui::View> depthBgView;
    std::weak_ptr<platform::ui::View> depthView;
    std::weak_ptr<platform::ui::ImageView> depthPointImgView;
    std::weak_ptr<platform::ui::LayoutConstraint> depthPointImgViewLeftLayoutConstraint;
    std::weak_ptr<platform::ui::GestureRecognizer> clickGestureRecognizer;
    std::weak_ptr<platform::ui::GestureRecognizer> panGestureRecognizer;
    std::weak_ptr<platform::ui::View> modeBgView;
    std::weak_ptr<platform::ui::ImageView> webModelSelectedImageView;
    std::weak_ptr<platform::ui::ImageView> gameModelSelectedImageView;
    std::weak_ptr<platform::ui::ImageView> videoModelSelectedImageView;
    std::weak_ptr<platform::ui::View> privacyScreenBgView;
    std::weak_ptr<platform::ui::Button> privacyScreenLockButton;
    std::weak_ptr<platform::ui::Button> exitButton;

    // Actions.
    void PanGestureRecognizer(platform::ui::GestureRecognizer& recognizer);
    void ClickGestureRecognizer(platform::ui::GestureRecognizer& recognizer);
    void modelChangeClick(platform::ui::UiObject& sender);
    void privacyScreenLockButtonClick(platform::ui::UiObject& sender);
    void exitButtonClick(platform::ui::UiObject& sender);

    // The operations behind them.
    void moveDepthPoint(double x);
    void updateDepthFromPosition(double x);
    void changeScreenMode(int64_t mode);
    void refreshModeUI();
    void togglePrivacyScreenLock();

    void handleChangeValue(const platform::foundation::Notification& note);

  protected:
    void viewDidLoad() override;

  private:
    void registerObservers();
    double depthBarWidth() const;

    platform::foundation::Subscription changeValueObserver_;
};
