// The quit: the glasses back in 2D, the usage stored, neither an after-plug sequence nor
// the monitor thread holding it up, and no firmware update left running.
#include <cstdlib>
#include <future>
#include <thread>

#include "platform/foundation/BackgroundWork.h"
#include "stereo3d/TavroDepthCustomManager.h"
#include "tests/TAVRO_3D/ShellHarness.h"

namespace {

using ShellTerminationTest = LaunchedShell;

TEST_F(ShellTerminationTest, QuitWithGlassesSwitchesThemTo2DAndStoresTheUsage) {
    auto pair = glasses("TAVRO2_FW_V1.65");
    plug(pair);
    ASSERT_TRUE(runUntil([&] { return sent(pair, 6, 0) == 1; }));
    delegate().depthManager.set(TavroDepthCustomManager::sharedPointer());
    const size_t before = commandsOf(pair).size();
    platform::ui::Application::shared().terminate();
    // 3D off, from the clean-up and again from stopping the AI-3D mode; nothing else.
    const auto commands = commandsOf(pair);
    ASSERT_GE(commands.size(), before + 1);
    EXPECT_EQ(countOf({commands.begin() + before, commands.end()}, 1, 3), commands.size() - before);
    EXPECT_TRUE(delegate().isExit.load());
    EXPECT_EQ(storedEvents(), (std::vector<int64_t>{2, 4}));  // in the table as the quit returns
    // The monitor thread is gone: the glasses leaving is no longer heard.
    unplug(pair);
    runFor(2);
    EXPECT_TRUE(delegate().glassStatus.load());
}

TEST_F(ShellTerminationTest, QuitEndsAnAfterPlugSequenceInTheMiddleOfItsWait) {
    auto pair = glasses("TAVRO2_FW_V1.65");
    plugHeld(pair);
    // The sequence sleeps on the held clock; the quit must not wait for the clock to move.
    delegate().applicationWillTerminate();
    runFor(20);
    EXPECT_EQ(sent(pair, 0x0C, 4), 0u);
    EXPECT_NE(shownPanel(), shell::Panel::Start);
}

// The update runs on a worker thread that must not outlive the process: the quit stops it
// between two packets and returns only once it has ended. The glasses stay in their
// bootloader, where the next update finds them.
TEST_F(ShellTerminationTest, QuitInTheMiddleOfAFirmwareUpdateEndsTheUpdateFirst) {
    auto old = glasses("TAVRO2_FW_V1.60");
    plug(old);
    ASSERT_TRUE(runUntilShown(shell::Panel::FirmwareUpdate));
    delegate().dfuUpdateViewController.get()->updateButton.lock()->performClick();
    const auto& loader = old->bootloader();
    // From here on the main thread is the test's: the runner stops at its next progress
    // notice, which waits for the main thread, halfway through the image.
    ASSERT_TRUE(runUntil([&] { return loader->bytesProgrammed() > 0; }));
    ASSERT_EQ(platform::foundation::BackgroundWork::running(), 1);
    delegate().applicationWillTerminate();
    EXPECT_EQ(platform::foundation::BackgroundWork::running(), 0);
    EXPECT_FALSE(loader->programmingComplete());
    runFor(5);
    EXPECT_EQ(old->firmwareVersion(), "TAVRO2_FW_V1.60");
}

TEST_F(ShellTerminationTest, QuitNeverWaitsForAMonitorThreadThatWaitsForTheMainThread) {
    hold();
    // The monitor thread posts the plug-in and waits for the main thread to handle it,
    // which it is not doing yet.
    plug(glasses("TAVRO2_FW_V1.65"));
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

namespace {

// Glasses whose set-up is over but whose AI-3D mode never started (the start panel's
// hand-over did not come): the quit still puts them back in 2D, with that one command.
TEST_F(ShellTerminationTest, QuitSwitchesThe3DOffAlsoWhenTheAI3DModeNeverStarted) {
    auto pair = glasses("TAVRO2_FW_V1.65");
    plug(pair);
    ASSERT_TRUE(runUntil([&] { return sent(pair, 6, 0) == 1; }));
    runFor(3);
    ASSERT_FALSE(delegate().depthManager.get());
    const size_t before = pair->outputReports().size();
    platform::ui::Application::shared().terminate();
    const auto reports = pair->outputReports();
    const auto commands = commandsOf(pair);
    EXPECT_EQ(Commands(commands.begin() + before, commands.end()), (Commands{{1, 3}}));
    ASSERT_EQ(reports.size(), before + 1);
    EXPECT_EQ(reports.back().bytes[12], 1) << "off";
}

}  // namespace
