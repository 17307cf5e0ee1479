// Glasses that leave in the middle of their firmware update: the failed update's panel
// stays five seconds before the window goes home.
#include "tests/TAVRO_3D/ShellHarness.h"
#include "tests/support/Waits.h"

namespace {

using FailedUpdateReturnHomeTest = LaunchedShell;

TEST_F(FailedUpdateReturnHomeTest, ThePanelGoesHomeAfterFiveSecondsNotBefore) {
    auto old = glasses("TAVRO2_FW_V1.60");
    plug(old);
    ASSERT_TRUE(runUntilShown(shell::Panel::FirmwareUpdate));
    delegate().isDfuUpdateStart = true;  // as the update button does
    plugHeld(old, false);                // from here the clock moves only as the test moves it
    platform::foundation::MainLoop::drain();
    ASSERT_EQ(shownPanel(), shell::Panel::FirmwareUpdate);
    const auto homeWithin = [&](double seconds) {
        return test_support::drainUntil([&] { return shownPanel() == shell::Panel::Home; },
                                        seconds);
    };
    test_support::advanceInSteps(*clock_, 4.5, 0.25);
    EXPECT_FALSE(homeWithin(0.3)) << "home before its five seconds";
    test_support::advanceInSteps(*clock_, 1, 0.25);
    EXPECT_TRUE(homeWithin(5));
}

}  // namespace
