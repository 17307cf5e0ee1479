#pragma once
// The home panel: the main window's content whenever no glasses are connected. Its first
// load starts three services for the whole run: the display-reconfiguration callback that
// keeps a Mac mini's displays consistent, the permission check that installs the volume-key
// monitors once screen recording and accessibility are granted, and the shared sleep / wake
// / lock observer. It also picks the hint text once.
//
// Main thread, except checkAccessibilityTick, which runs on a global queue of the named
// timers and installs the event monitors from there.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/foundation/Guarded.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"

class TavroHomeNewViewController : public platform::ui::ViewController {
  public:
    TavroHomeNewViewController();
    // The application keeps its one home panel for the whole run, so its callback lives as
    // long; a panel that goes (in tests) takes its callback and check with it.
    ~TavroHomeNewViewController() override;
    std::string className() const override { return "TavroHomeNewViewController"; }

    // Outlets of the view description.
    std::weak_ptr<platform::ui::View> titleView;
    std::weak_ptr<platform::ui::View> wiredBgView;
    std::weak_ptr<platform::ui::ImageView> imageView;
    std::weak_ptr<platform::ui::TextField> tipsLabel0;
    std::weak_ptr<platform::ui::TextField> tipsLabel;

    std::string code;
    bool isChangeGlass = false;
    std::string timerIdentification;
    std::string connectType;
    // Key of the running permission check; empty when none runs. Written by the main thread
    // and by the check itself on its queue.
    platform::foundation::Guarded<std::string> checkAccessibilityTimer;
    bool isBeginChangeDisplayType = false;
    int64_t privacyWindowNumber = -1;

    virtual void setUpAppearance();
    // One run of the permission check (global queue).
    void checkAccessibilityTick();
    // The display-reconfiguration callback (main thread).
    static void displayReconfigurationCallback(uint32_t display, uint32_t flags);

  protected:
    void viewDidLoad() override;

  private:
    uint64_t reconfigurationToken_ = 0;
};
