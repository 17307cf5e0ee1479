// What the quit's beginning stops before the termination has run (a quit signal taken on
// another thread): an after-plug sequence, an update check, the calibration screen's wait
// for the bias table. And the real-time bounds that keep a step that never returns from
// holding the termination.
#include <atomic>
#include <chrono>
#include <ctime>
#include <future>
#include <memory>
#include <thread>

#include "TAVRO_3D/TavroTemperatureDriftCalibrationView.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/NotificationCenter.h"
#include "tests/TAVRO_3D/QuitTestSupport.h"
#include "tests/TAVRO_3D/ShellHarness.h"
#include "tests/support/Waits.h"

namespace {

namespace fd = platform::foundation;
using quit_test::withinThirtySeconds;
using QuitGuardsTest = LaunchedShell;
using Clock = std::chrono::steady_clock;

// How long the termination may take beyond the bound of the one wait that cannot end.
constexpr auto kMargin = std::chrono::milliseconds(1500);

// Real time the termination takes.
Clock::duration timedTermination() {
    const auto begun = Clock::now();
    withinThirtySeconds([] { platform::ui::Application::shared().terminate(); });
    return Clock::now() - begun;
}

TEST_F(QuitGuardsTest, ASequenceInItsWaitGoesNoFurtherOnceTheQuitHasBegun) {
    auto pair = glasses("TAVRO2_FW_V1.65");
    const int configurations = mac_->displays().completedConfigurations();
    plugHeld(pair);
    // The sequence has un-mirrored the glasses' screen and sleeps on the held clock.
    ASSERT_TRUE(
        runUntil([&] { return mac_->displays().completedConfigurations() > configurations; }));
    // The signal's part of the quit; the termination, queued behind it, has not run.
    fd::BackgroundWork::beginQuit();
    const int unmirrored = mac_->displays().completedConfigurations();
    runFor(20);
    for (auto [command, subcommand] : Commands{{0x0C, 4}, {5, 2}, {6, 0}})
        EXPECT_EQ(sent(pair, command, subcommand), 0u) << command << " " << subcommand;
    EXPECT_NE(shownPanel(), shell::Panel::Start);
    EXPECT_EQ(mac_->displays().completedConfigurations(), unmirrored);
}

TEST_F(QuitGuardsTest, AnUpdateCheckAskedForOnceTheQuitHasBegunAsksNothingAndAnswersNothing) {
    ASSERT_TRUE(awaitPostedEvents(3));
    runFor(2);                                    // the launch's own check has been answered
    ASSERT_EQ(shownPanel(), shell::Panel::Home);  // a panel over which a check would ask
    const size_t requests = mac_->backend().requestCount();
    fd::BackgroundWork::beginQuit();
    int answers = 0;
    delegate().checkAppUpdate([&](bool) { ++answers; });
    runFor(5);
    EXPECT_EQ(mac_->backend().requestCount(), requests);
    EXPECT_EQ(answers, 0);
}

TEST_F(QuitGuardsTest, APlugSequenceThatNeverEndsHoldsTheTerminationNoLongerThanItsBound) {
    std::promise<void> inStep;
    std::promise<void> letGo;
    std::thread step([&inStep, returns = letGo.get_future()] {
        shell::PlugSequenceScope running;
        inStep.set_value();
        returns.wait();  // a command or display change that never returns
    });
    inStep.get_future().wait();
    const auto took = timedTermination();
    letGo.set_value();
    step.join();
    EXPECT_LT(took, fd::BackgroundWork::kFinishLimit + kMargin);
}

TEST_F(QuitGuardsTest, AMonitorThreadThatNeverLetsGoHoldsTheTerminationNoLongerThanItsBound) {
    // An observer on the monitor thread that keeps the plug-in's notice (and so the
    // thread) until the test lets it go.
    auto entered = std::make_shared<std::atomic<bool>>(false);
    auto letGo = std::make_shared<std::atomic<bool>>(false);
    auto keeper = fd::NotificationCenter::defaultCenter().addObserver(
        kGlassStatusChangeNotification, std::nullopt, nullptr,
        [entered, letGo](const fd::Notification&) {
            if (entered->exchange(true)) return;
            while (!letGo->load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    plug(glasses("TAVRO2_FW_V1.65"));
    ASSERT_TRUE(runUntil([&] { return entered->load(); }));
    const auto took = timedTermination();
    *letGo = true;
    EXPECT_LT(took, fd::BackgroundWork::kFinishLimit + kMargin);
}

// Process CPU time, all threads.
double cpuSeconds() {
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// The calibration screen's wait for the glasses' bias table, with the glasses there and the
// table never coming, on a clock that does not move.
class BiasWaitQuitTest : public ::testing::Test {
  protected:
    void SetUp() override { AppDelegate::shared().glassStatus = true; }
    void TearDown() override {
        AppDelegate::shared().glassStatus = false;
        fd::BackgroundWork::resume();
    }
    fd::ScopedClock held_{std::make_shared<fd::ManualClock>()};
};

TEST_F(BiasWaitQuitTest, TheWaitSleepsAndEndsWithinASecondOfTheQuitWithoutSending) {
    auto completions = std::make_shared<std::atomic<int>>(0);
    TavroTemperatureDriftCalibrationView::sendBiasTable([completions](bool) { ++*completions; });
    ASSERT_EQ(fd::BackgroundWork::running(), 1);
    const double cpuBefore = cpuSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_LT(cpuSeconds() - cpuBefore, 0.2) << "the wait spins";
    EXPECT_EQ(fd::BackgroundWork::running(), 1) << "the wait ended without the table";
    fd::BackgroundWork::beginQuit();
    EXPECT_TRUE(test_support::waitUntil([] { return fd::BackgroundWork::running() == 0; }, 1))
        << "the wait went on past the quit";
    EXPECT_EQ(completions->load(), 0);
}

}  // namespace
