#pragma once
// The main window's content while the glasses need a firmware update: it offers the new
// version, starts the update on its button (sending the glasses into their bootloader
// first, unless they already are it), shows the updater's progress and the outcome, and
// is put back into its offer look by resetDfuView when the window returns home.
//
// Views are touched on the main thread only: the button, the three observers (main
// operation queue) and the outcome. The bootloader wait and the updater run on a global
// queue; they share only the isBeginUpdateDfu flag with the panel, which they keep alive
// on their own, so a panel that goes away during an update leaves them harmless.

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ProgressIndicator.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

class TavroDFUUpdateViewController : public platform::ui::ViewController {
  public:
    TavroDFUUpdateViewController();
    std::string className() const override { return "TavroDFUUpdateViewController"; }

    // Outlets.
    std::weak_ptr<platform::ui::ImageView> updateImageView;
    std::weak_ptr<platform::ui::TextField> tipsLabel1;
    std::weak_ptr<platform::ui::TextField> tipsLabel2;
    std::weak_ptr<platform::ui::Button> updateButton;
    std::weak_ptr<platform::ui::ProgressIndicator> progressIndicator;

    platform::foundation::Subscription versionShowObserver;
    platform::foundation::Subscription progressObserver;
    platform::foundation::Subscription statusObserver;

  private:
    // Shared with the bootloader wait, which may outlive the panel.
    std::shared_ptr<std::atomic<bool>> beginUpdateFlag_ =
        std::make_shared<std::atomic<bool>>(false);

  public:
    // Set by the plug sequence when it shows the panel for a device that already is the
    // bootloader; ends the bootloader wait. Any thread.
    std::atomic<bool>& isBeginUpdateDfu = *beginUpdateFlag_;

    void updateButtonClick(platform::ui::UiObject& sender);
    void startDFUUpdate();
    // Back to the offer look; nothing before the view was loaded.
    void resetDfuView();

    // Observer handlers (main thread).
    void showDfuVersion(const platform::foundation::Notification& note);
    void updateDfuProgress(const platform::foundation::Notification& note);
    void handleDfuStatus(const platform::foundation::Notification& note);
    void showDfuResult(bool success);
    void showTips(const std::string& text);

    // The updater's run and the bootloader wait (global queue).
    static void runDfuUpgrade();
    static void waitForDFUStart(const std::shared_ptr<std::atomic<bool>>& beginUpdate);

  protected:
    void viewDidLoad() override;

  private:
    void showOfferButton();
};
