// The privacy screen on a launched shell: the choice kept across plug-ins and launches, and
// the built-in panel that the lid takes away and brings back while the choice changes.
#include "TAVRO_3D/TavroGlassConnectSuccessViewController.h"
#include "tests/TAVRO_3D/ShellHarness.h"

namespace fd = platform::foundation;

namespace {

constexpr const char* kPrivacyKey = "privacyScreenLockState_UserDefault";

class PrivacyScreenTest : public LaunchedShell {
  protected:
    // Plugs the glasses in and puts the connected panel into the main window, as the start
    // panel does once the AI-3D mode runs.
    void connect() {
        plug(pair_);
        ASSERT_TRUE(runUntilShown(shell::Panel::Start));
        delegate().window.get()->setContentViewController(
            shell::panelController(shell::Panel::Connected));
    }
    // The user clicks the connected panel's privacy toggle.
    void clickToggle() {
        auto panel = delegate().glassConnectSuccessViewController.get();
        panel->privacyScreenLockButton.lock()->performClick();
    }
    static fd::Value stored() { return fd::UserDefaults::standard().objectForKey(kPrivacyKey); }

    std::shared_ptr<platform::sim::VirtualGlasses> pair_ = glasses("TAVRO2_FW_V1.65");
};

TEST_F(PrivacyScreenTest, TheChoiceIsStoredAndOutlivesAReplugAndARelaunch) {
    connect();
    const float bright = builtinBrightness();
    ASSERT_GT(bright, 0);
    clickToggle();
    EXPECT_EQ(stored(), fd::Value(int64_t{1}));
    ASSERT_TRUE(runUntil([&] { return builtinBrightness() == 0; }));
    unplug(pair_);
    ASSERT_TRUE(runUntilShown(shell::Panel::Home));
    EXPECT_TRUE(runUntil([&] { return builtinBrightness() == bright; }));
    plug(pair_);
    ASSERT_TRUE(runUntilShown(shell::Panel::Start));
    EXPECT_EQ(delegate().privacyScreenLockButtonState.load(), 1);
    unplug(pair_);
    ASSERT_TRUE(runUntilShown(shell::Panel::Home));
    // A new launch: the defaults read again from their file, the state as a process starts.
    fd::UserDefaults::resetStandard();
    delegate().privacyScreenLockButtonState = 0;
    delegate().runLaunchSequence();
    EXPECT_EQ(stored(), fd::Value(int64_t{1}));
    plug(pair_);
    ASSERT_TRUE(runUntilShown(shell::Panel::Start));
    EXPECT_EQ(delegate().privacyScreenLockButtonState.load(), 1);
}

TEST_F(PrivacyScreenTest, SwitchedOnWhileTheLidIsClosedTheReturningPanelStaysDark) {
    connect();
    const float bright = builtinBrightness();
    auto& displays = mac_->displays();
    // On, off with the lid closed (the restore waits for the panel), on again.
    clickToggle();
    ASSERT_TRUE(runUntil([&] { return builtinBrightness() == 0; }));
    displays.setLidClosed(true);
    clickToggle();
    clickToggle();
    runFor(1);
    displays.setLidClosed(false);
    runFor(2);
    EXPECT_EQ(builtinBrightness(), 0.0f);
    // Off (bright again), the lid closed, then on: the panel comes back and goes dark.
    clickToggle();
    ASSERT_TRUE(runUntil([&] { return builtinBrightness() == bright; }));
    displays.setLidClosed(true);
    clickToggle();
    runFor(1);
    displays.setLidClosed(false);
    EXPECT_TRUE(runUntil([&] { return builtinBrightness() == 0; }, 5));
    EXPECT_EQ(delegate().privacyScreenLockButtonState.load(), 1);
    // Off again: the brightness it had before; on and off while the lid is closed: the
    // panel comes back as it went.
    clickToggle();
    ASSERT_TRUE(runUntil([&] { return builtinBrightness() == bright; }));
    displays.setLidClosed(true);
    clickToggle();
    clickToggle();
    displays.setLidClosed(false);
    runFor(2);
    EXPECT_EQ(builtinBrightness(), bright);
}

}  // namespace
