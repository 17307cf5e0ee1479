// The after-plug search for the glasses' screen once the displays are un-mirrored: a screen
// that comes late is still found, and the glasses are set up once.
#include "platform/foundation/Clock.h"
#include "tests/TAVRO_3D/ShellHarness.h"

namespace {

namespace fd = platform::foundation;
using platform::sim::SimDisplayServer;
using GlassScreenSearchTest = LaunchedShell;

// The test's clock, in seconds.
double clockSeconds() {
    return fd::Clock::toSeconds(fd::Clock::current().now().time_since_epoch());
}

TEST_F(GlassScreenSearchTest, OnAnArmMacAScreenFourSecondsLateIsFoundAndTheGlassesSetUpOnce) {
    ASSERT_TRUE(delegate().isCPUARM.load());
    auto& displays = mac_->displays();
    const int configurations = displays.completedConfigurations();
    auto pair = glasses("TAVRO2_FW_V1.65");
    plugHeld(pair);
    // The sequence's first turn un-mirrors the glasses' screen, which comes up mirrored; its
    // next, 1.25 s later, finds the screens apart, and the search begins.
    ASSERT_TRUE(runUntil([&] { return displays.completedConfigurations() > configurations; }));
    const double searchBegins = clockSeconds() + 1.25;
    const auto runUntilClock = [&](double seconds) {
        release();
        ASSERT_TRUE(runUntil([&] { return clockSeconds() >= seconds; }));
        hold();
    };
    // Before the search's first look, the screen goes for a while.
    runUntilClock(searchBegins + 0.5);
    for (const auto& display : displays.displays()) {
        if (display.name == SimDisplayServer::glassesDisplay().name)
            displays.unplugDisplay(display.id);
    }
    runUntilClock(searchBegins + 4);
    const auto late = displays.plugDisplay(SimDisplayServer::glassesDisplay());
    release();
    ASSERT_TRUE(runUntilShown(shell::Panel::Start));
    ASSERT_TRUE(runUntil([&] { return sent(pair, 6, 0) == 1; }));
    runFor(10);
    EXPECT_EQ(delegate().glassDisplayID.load(), late) << "the search gave up before it came";
    for (auto [command, subcommand] : Commands{{0x0C, 4}, {5, 2}, {6, 0}})
        EXPECT_EQ(sent(pair, command, subcommand), 1u) << command << " " << subcommand;
}

}  // namespace
