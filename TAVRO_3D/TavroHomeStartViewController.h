#pragma once
// The start panel: the main window's content while glasses are connected, need no firmware
// update and the AI-3D mode is not running yet. It shows the glasses' name and a start
// button; the button makes sure the Mac keeps a screen of its own as the main display,
// then starts the AI-3D mode, whose outcome hands the window to the connected panel or
// shows the error labels. Main thread only (its observers use the main operation queue).

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"

class TavroHomeStartViewController : public platform::ui::ViewController {
  public:
    TavroHomeStartViewController();
    // The application keeps its one start panel for the whole run, and its observers with
    // it; a panel that goes (in tests) takes its observers along.
    std::string className() const override { return "TavroHomeStartViewController"; }

    // The AI-3D manager's outcome: the number 1 (running on the glasses) or 0 (timed out).
    static constexpr const char* kStartResultNotification =
        "TAVRO_Glass_Display_StatusChange_SuccessOrError";

    // Outlets of the view description.
    std::weak_ptr<platform::ui::TextField> nameLabel;
    std::weak_ptr<platform::ui::Button> startButton;
    std::weak_ptr<platform::ui::View> connectBgView;
    std::weak_ptr<platform::ui::TextField> connectingLabel;
    std::weak_ptr<platform::ui::TextField> connectErrorLabel;
    std::weak_ptr<platform::ui::TextField> connectErrorTipsLabel;

    void startButtonClick(platform::ui::UiObject& sender);
    // The name label: the connected glasses' name and "已连接". Written when the view loads,
    // whenever the plug sequence shows the panel, and with every version text.
    void updateNameLabel();

    void handleGlassVersion(const platform::foundation::Notification& note);
    void handleGlassConnectionChange(const platform::foundation::Notification& note);
    void handleConnectResult(const platform::foundation::Notification& note);

  protected:
    void viewDidLoad() override;

  private:
    void registerObservers();
    void launchAI3D();
    void showGlassesGoneLook();

    std::vector<platform::foundation::Subscription> observers_;
};
