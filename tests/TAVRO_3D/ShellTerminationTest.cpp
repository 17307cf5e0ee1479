#include <cstdlib>
#include <future>
#include <thread>

#include "platform/ui/Application.h"
#include "tests/TAVRO_3D/ShellHarness.h"

using standins::UsageEvent;

namespace {

class ShellTerminationTest : public ShellHarness {
  protected:
    void SetUp() override {
        ShellHarness::SetUp();
        bootNamed("macbook");
        launch();
    }
};

TEST_F(ShellTerminationTest, QuitWithGlassesSwitchesThemTo2DAndStoresTheUsage) {
    auto pair = glasses("TAVRO2_FW_V1.65");
    plug(pair);
    ASSERT_TRUE(runUntil([&] { return countOf(commandsOf(pair), 6, 0) == 1; }));
    const size_t before = commandsOf(pair).size();
    const size_t eventsBefore = standins::record().events().size();

    platform::ui::Application::shared().terminate();

    const auto commands = commandsOf(pair);
    ASSERT_EQ(commands.size(), before + 1);
    EXPECT_EQ(commands.back(), std::make_pair(uint16_t{1}, uint16_t{3}));  // 3D off
    EXPECT_TRUE(delegate().isExit.load());
    EXPECT_EQ(standins::record().brightnessRestores.load(), 1);
    EXPECT_EQ(standins::record().ai3dStops.load(), 1);
    const auto events = standins::record().events();
    ASSERT_EQ(events.size(), eventsBefore + 2);
    EXPECT_EQ(events[eventsBefore], (UsageEvent{2, true}));
    EXPECT_EQ(events[eventsBefore + 1], (UsageEvent{4, true}));
    EXPECT_EQ(standins::record().usageTableWritesFinished.load(), 1);

    // The monitor thread is gone: the glasses leaving is no longer heard.
    unplug(pair);
    runFor(2);
    EXPECT_TRUE(delegate().glassStatus.load());
}

TEST_F(ShellTerminationTest, QuitWithoutGlassesStoresOnlyTheDuration) {
    standins::reset();
    delegate().applicationWillTerminate();
    EXPECT_EQ(standins::record().events(), std::vector<UsageEvent>{(UsageEvent{2, true})});
    EXPECT_EQ(standins::record().brightnessRestores.load(), 1);
}

TEST_F(ShellTerminationTest, QuitNeverWaitsForAMonitorThreadThatWaitsForTheMainThread) {
    hold();
    auto pair = glasses("TAVRO2_FW_V1.65");
    // The monitor thread posts the plug-in and waits for the main thread to handle it,
    // which it is not doing yet.
    plug(pair);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    std::promise<void> returned;
    std::thread watchdog([future = returned.get_future()]() mutable {
        if (future.wait_for(std::chrono::seconds(30)) == std::future_status::timeout) {
            ADD_FAILURE() << "the quit did not end";
            std::abort();
        }
    });
    delegate().applicationWillTerminate();
    returned.set_value();
    watchdog.join();
    // The plug-in was handled while the quit waited for the thread.
    EXPECT_TRUE(delegate().glassStatus.load());
}

}  // namespace
