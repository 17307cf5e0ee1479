#pragma once
// The exit screen: the status-item popover's content after a right click, one button that
// quits the application. While it exists, moving the mouse anywhere over its view gives the
// button its hover look. A new controller is made for every showing. Main thread only.

#include <memory>
#include <string>

#include "TAVRO_3D/TavroHoverButton.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"

class TavroExitAppViewController : public platform::ui::ViewController {
  public:
    TavroExitAppViewController();
    // Removes the mouse monitor: every right click makes a new exit screen, and monitors
    // left behind would pile up for the rest of the run.
    ~TavroExitAppViewController() override;
    std::string className() const override { return "TavroExitAppViewController"; }

    std::weak_ptr<TavroHoverButton> extiButton;

    void exitAppClick(platform::ui::UiObject& sender);
    void handleExitHover(const platform::ui::Event& event);

  protected:
    void viewDidLoad() override;

  private:
    platform::ui::MonitorToken mouseMonitor_ = 0;
};

// A holder of an event monitor that removes it when it goes; nothing in the application
// creates one. Main thread only.
class TavroMouseMovementManager {
  public:
    TavroMouseMovementManager() = default;
    ~TavroMouseMovementManager();
    TavroMouseMovementManager(const TavroMouseMovementManager&) = delete;
    TavroMouseMovementManager& operator=(const TavroMouseMovementManager&) = delete;

    std::optional<platform::ui::MonitorToken> eventMonitor;
    std::optional<platform::ui::Point> originalMouseLocation;
};
