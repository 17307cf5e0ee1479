// The home panel: its hint, the permission check that installs the volume-key monitors, and
// the display callback on a MacBook and on a Mac mini.
#include <thread>

#include "PanelFixture.h"
#include "TAVRO_3D/TavroHomeNewViewController.h"
#include "glasses/TavroVXServer.h"
#include "platform/screens/DisplayServices.h"

using namespace panel_fixture;

namespace {

class HomePanelTest : public PanelFixture {
  protected:
    std::shared_ptr<TavroHomeNewViewController> load() {
        return PanelFixture::load(std::make_shared<TavroHomeNewViewController>());
    }
    // Moves the clock and gives the permission check a moment of real time.
    void pass(double seconds) {
        clock_->advanceSeconds(seconds);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
};

TEST_F(HomePanelTest, TheHintTellsAMacMiniToConnectADisplay) {
    boot("macbook");
    EXPECT_EQ(load()->tipsLabel.lock()->stringValue(), "连接前请断开其他外接显示器");
    boot("macmini-monitor");
    EXPECT_EQ(load()->tipsLabel.lock()->stringValue(), "Mac mini需连接外接显示器");
}

TEST_F(HomePanelTest, VolumeKeyMonitorsComeOnlyWithBothPermissions) {
    boot("macbook");
    mac_->capture().setScreenRecordingAllowed(false);
    mac_->capture().setAccessibilityTrusted(false);
    auto& application = ui::Application::shared();
    const size_t before = application.monitorCount();
    auto panel = load();
    pass(5.5);
    mac_->capture().setScreenRecordingAllowed(true);  // alone, not enough
    pass(5);
    EXPECT_EQ(application.monitorCount(), before);
    mac_->capture().setAccessibilityTrusted(true);
    clock_->advanceSeconds(5.0);
    ASSERT_TRUE(test_support::drainUntil([&] { return application.monitorCount() == before + 2; }));
    EXPECT_TRUE(
        test_support::drainUntil([&] { return panel->checkAccessibilityTimer.get().empty(); }));
    pass(10);
    EXPECT_EQ(application.monitorCount(), before + 2);  // installed once
}

TEST_F(HomePanelTest, OnAMacBookDisplayChangesOnlyRecentreTheCursor) {
    boot("macbook");
    NotificationRecorder plugs({kGlassStatusChangeNotification});
    auto panel = load();
    mac_->displays().plugDisplay({"DELL U2723QE", 4268, 41456, 1, {{2560, 1440, 60}}, 0});
    fdn::MainLoop::drain();
    EXPECT_EQ(plugs.size(), 0u);
    const auto main = ui::Screen::mainScreen();
    ASSERT_TRUE(main);
    const auto bounds = screens::displayBounds(main->displayId);
    EXPECT_EQ(mac_->displays().cursorPosition(),
              (screens::Point{bounds.x + main->frame.size.width / 2,
                              bounds.y + main->frame.size.height / 2}));
}

TEST_F(HomePanelTest, OnAMacMiniANewMonitorReplaysTheGlassesPlug) {
    boot("macmini-monitor");
    NotificationRecorder plugs({kGlassStatusChangeNotification});
    auto panel = load();
    // The glasses screen is listed: the replay plugs them back in.
    auto list = ui::Screen::screens();
    list.push_back({99, "TAVRO Glass", {3000, 0, 1920, 1080}, {3000, 0, 1920, 1080}, 1.0});
    ui::setScreenSource(std::make_shared<ui::FixedScreenSource>(list));
    auto second =
        mac_->displays().plugDisplay({"LG HDR 4K", 7789, 30471, 2, {{3840, 2160, 60}}, 0});
    fdn::MainLoop::drain();
    EXPECT_EQ(plugs.numbers(), (std::vector<int64_t>{0, 1}));
    // The glasses screen's own changes only move the cursor.
    AppDelegate::shared().glassDisplayID = 99;
    TavroHomeNewViewController::displayReconfigurationCallback(99, screens::kDisplayAddFlag);
    EXPECT_EQ(plugs.size(), 2u);
    AppDelegate::shared().glassDisplayID = 0;
    // Back to one display: the glasses go, and come back only with a glasses screen listed.
    ui::setScreenSource(
        std::make_shared<ui::FixedScreenSource>(std::vector<ui::Screen>{list.front()}));
    mac_->displays().unplugDisplay(second);
    fdn::MainLoop::drain();
    EXPECT_EQ(plugs.numbers(), (std::vector<int64_t>{0, 1, 0}));
}

}  // namespace
