// Stand-ins for the panels, whose controllers are not all built yet.
#include "tests/TAVRO_3D/StandIns.h"

#include <map>

#include "TAVRO_3D/ShellNeighbours.h"
#include "appstate/AppDelegate.h"

namespace ui = platform::ui;

namespace {

// A panel stand-in: an empty view of the main window's size.
class StandInPanel final : public ui::ViewController {
  public:
    explicit StandInPanel(std::string name) : name_(std::move(name)) {}
    std::string className() const override { return name_; }

  protected:
    void loadView() override { setView(std::make_shared<ui::View>(ui::Rect{{0, 0}, {420, 620}})); }

  private:
    std::string name_;
};

std::mutex gPanelMutex;
std::map<shell::Panel, ui::ViewControllerPtr> gPanels;
ui::ViewControllerPtr gPopover;

}  // namespace

namespace standins {

Record& record() {
    static Record instance;
    return instance;
}

void reset() {
    auto& r = record();
    r.dfuViewResets = 0;
    r.updatesBegun = 0;
}

}  // namespace standins

namespace shell {

void createPanels(AppDelegate&) {
    std::lock_guard lock(gPanelMutex);
    gPanels[Panel::Home] = std::make_shared<StandInPanel>("TavroHomeNewViewController");
    gPanels[Panel::Start] = std::make_shared<StandInPanel>("TavroHomeStartViewController");
    gPanels[Panel::FirmwareUpdate] = std::make_shared<StandInPanel>("TavroDFUUpdateViewController");
    gPanels[Panel::Connected] =
        std::make_shared<StandInPanel>("TavroGlassConnectSuccessViewController");
    gPopover = std::make_shared<StandInPanel>("TavroGlassConnectSuccessPopoverViewController");
}

ui::ViewControllerPtr panelController(Panel panel) {
    std::lock_guard lock(gPanelMutex);
    auto found = gPanels.find(panel);
    return found == gPanels.end() ? nullptr : found->second;
}

ui::ViewControllerPtr connectedPopoverController() {
    std::lock_guard lock(gPanelMutex);
    return gPopover;
}

ui::ViewControllerPtr makeExitScreen() {
    return std::make_shared<StandInPanel>("TavroExitAppViewController");
}

void resetDfuView() { ++standins::record().dfuViewResets; }
void beginUpdateWhenShown() { ++standins::record().updatesBegun; }

}  // namespace shell


