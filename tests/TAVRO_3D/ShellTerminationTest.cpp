// The quit: the glasses back in 2D, the usage stored, neither an after-plug sequence nor
// the monitor thread holding it up (each held no longer than the quit's bound), and no
// firmware update left running. What the quit's beginning stops before the termination has
// run (a quit signal taken on another thread): an after-plug sequence, an update check, the
// calibration screen's wait for the bias table.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <future>
#include <memory>
#include <thread>

#include "TAVRO_3D/TavroTemperatureDriftCalibrationView.h"
#include "glasses/GlassAudioVolume.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/OperationQueue.h"
#include "stereo3d/TavroDepthCustomManager.h"
#include "tests/TAVRO_3D/ShellHarness.h"
#include "tests/support/Waits.h"

namespace {

namespace fd = platform::foundation;
using ShellTerminationTest = LaunchedShell;
using UnlaunchedShellTest = ShellHarness;

// What a quit signal does (app/QuitSignals): the quit begins at once, from another thread,
// and the termination is queued for the main thread.
void quitSignal() {
    fd::BackgroundWork::beginQuit();
    fd::mainQueue()->async([] { platform::ui::Application::shared().terminate(); });
}

// Aborts the test binary when `body` does not return within 30 s of real time, so that a
// quit that hangs fails instead of stalling the suite.
template <class Body>
void withinThirtySeconds(Body body) {
    std::promise<void> returned;
    std::thread watchdog([future = returned.get_future()]() mutable {
        if (future.wait_for(std::chrono::seconds(30)) == std::future_status::timeout) {
            ADD_FAILURE() << "it did not end";
            std::abort();
        }
    });
    body();
    returned.set_value();
    watchdog.join();
}

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
    const int configurations = mac_->displays().completedConfigurations();
    plugHeld(pair);
    // The sequence has un-mirrored the glasses' screen and sleeps on the held clock; the quit
    // must not wait for the clock to move, nor until its own bound has passed.
    ASSERT_TRUE(
        runUntil([&] { return mac_->displays().completedConfigurations() > configurations; }));
    const auto begun = std::chrono::steady_clock::now();
    delegate().applicationWillTerminate();
    EXPECT_LT(std::chrono::steady_clock::now() - begun, fd::BackgroundWork::kFinishLimit / 2);
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
    withinThirtySeconds([] { delegate().applicationWillTerminate(); });
    // The plug-in was handled while the quit waited for the thread.
    EXPECT_TRUE(delegate().glassStatus.load());
}

// Glasses that come up mirrored while the backend is slow, and a quit before the update
// check is answered: the quit drops the request, whose failure would let the set-up go on;
// nothing of it may run, least of all the un-mirroring.
TEST_F(ShellTerminationTest, AnUpdateCheckDroppedByTheQuitSetsNothingUp) {
    using Mode = platform::sim::SimBackendServer::Mode;
    ASSERT_TRUE(awaitPostedEvents(3));  // the launch's
    const size_t requests = mac_->backend().requestCount();
    mac_->backend().setMode(Mode::Hang);
    auto pair = glasses("TAVRO2_FW_V1.65");
    plug(pair);
    ASSERT_TRUE(runUntil([&] { return mac_->backend().requestCount() > requests; }));
    const int configurations = mac_->displays().completedConfigurations();
    const size_t before = commandsOf(pair).size();
    platform::ui::Application::shared().terminate();
    runFor(10);
    EXPECT_EQ(mac_->displays().completedConfigurations(), configurations);
    const auto commands = commandsOf(pair);
    EXPECT_EQ(Commands(commands.begin() + static_cast<long>(before), commands.end()),
              (Commands{{1, 3}}))
        << "only the clean-up's 3D off";
    EXPECT_EQ(shownPanel(), shell::Panel::Home);
}

// Second-generation glasses whose audio output never appears: the volume listener looks
// for it for as long as the glasses stay, but the quit ends the search rather than waiting
// for it, and a device that comes later is not taken.
TEST_F(ShellTerminationTest, TheQuitEndsTheSearchForTheGlassesAudioDevice) {
    auto pair = glasses("TAVRO2_FW_V1.65");
    plugHeld(pair);
    mac_->audio().removeDevice(mac_->audioDeviceOf(pair));
    release();
    ASSERT_TRUE(runUntil([&] { return sent(pair, 6, 0) == 1; }));
    runFor(2);
    ASSERT_EQ(glassAudioDevice(), 0u);
    const auto begun = std::chrono::steady_clock::now();
    withinThirtySeconds([] { platform::ui::Application::shared().terminate(); });
    EXPECT_LT(std::chrono::steady_clock::now() - begun, fd::BackgroundWork::kFinishLimit / 2)
        << "the quit waited for the search";
    const auto late = mac_->audio().addDevice({"TAVRO Glass", 1, 0, 0.5f, false});
    runFor(2);
    EXPECT_EQ(mac_->audio().listenerCount(late), 0u);
    EXPECT_EQ(storedEvents(), (std::vector<int64_t>{2, 4}));
}

// The plug-in waits on the main thread while the screen is locked; a quit signal meanwhile
// ends the wait, and the termination runs with its whole clean-up.
TEST_F(ShellTerminationTest, AQuitSignalEndsTheWaitForTheUnlockAndCleansUp) {
    mac_->lockScreen();
    auto pair = glasses("TAVRO2_FW_V1.65");
    const uint64_t generation = shell::plugGeneration();
    plug(pair);
    std::thread signal([&] {
        while (shell::plugGeneration() == generation)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // The handler is in its wait now; let it sleep a few times.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        quitSignal();
    });
    bool quit = false;
    withinThirtySeconds([&] {
        quit = runUntil([] { return platform::ui::Application::shared().terminateRequested(); });
    });
    signal.join();
    ASSERT_TRUE(quit);
    const auto commands = commandsOf(pair);
    EXPECT_EQ(countOf(commands, 8, 1), 0u) << "no version request: the screen stayed locked";
    EXPECT_EQ(countOf(commands, 1, 3), 1u) << "3D off";
    EXPECT_EQ(storedEvents(), (std::vector<int64_t>{2, 4}));
}

// A quit signal while an alert is up runs the termination inside the alert's session; the
// alert's own quit button, answered afterwards, must not run it again.
TEST_F(ShellTerminationTest, AQuitThatComesTwiceCleansUpOnce) {
    platform::ui::Alert::setResponder([](const platform::ui::Alert&) {
        platform::ui::Application::shared().terminate();  // the signal's quit
        return platform::ui::kAlertFirstButtonReturn;     // "切换并退出App"
    });
    delegate().showExtendedDisplayAlert();
    platform::ui::Application::shared().terminate();
    EXPECT_EQ(storedEvents(), (std::vector<int64_t>{2}));
}

// Glasses taken off while the quit runs: their mode event is stored once, by the clean-up
// when they were still connected then, else by the unplug.
TEST_F(ShellTerminationTest, GlassesLeavingDuringTheQuitStoreOneModeEvent) {
    auto pair = glasses("TAVRO2_FW_V1.65");
    plug(pair);
    ASSERT_TRUE(runUntil([&] { return sent(pair, 6, 0) == 1; }));
    const fd::Notification unplugged{kGlassStatusChangeNotification, fd::Value(false), {}};
    platform::ui::Application::shared().terminate();
    delegate().handleGlassConnectionChange(unplugged);  // heard after the clean-up
    EXPECT_EQ(storedEvents(), (std::vector<int64_t>{2, 4}));
}

TEST_F(ShellTerminationTest, GlassesLeavingBeforeTheCleanUpStoreTheirModeEventThemselves) {
    auto pair = glasses("TAVRO2_FW_V1.65");
    plug(pair);
    ASSERT_TRUE(runUntil([&] { return sent(pair, 6, 0) == 1; }));
    fd::BackgroundWork::beginQuit();
    delegate().handleGlassConnectionChange({kGlassStatusChangeNotification, fd::Value(false), {}});
    platform::ui::Application::shared().terminate();
    EXPECT_EQ(storedEvents(), (std::vector<int64_t>{4, 2}));
}

// The monitor thread clears the connected flag before the clean-up looks at it, and its
// notice is heard only after the clean-up: the unplug stores the mode event then.
TEST_F(ShellTerminationTest, GlassesLeavingJustBeforeTheCleanUpStoreTheirModeEventOnce) {
    auto pair = glasses("TAVRO2_FW_V1.65");
    plug(pair);
    ASSERT_TRUE(runUntil([&] { return sent(pair, 6, 0) == 1; }));
    delegate().glassStatus = false;  // as the monitor thread does at the unplug
    platform::ui::Application::shared().terminate();
    delegate().handleGlassConnectionChange({kGlassStatusChangeNotification, fd::Value(false), {}});
    EXPECT_EQ(storedEvents(), (std::vector<int64_t>{2, 4}));
}

// Glasses pulled out just as the quit begins: their notice waits for the main thread and is
// heard while the quit stops the monitor thread, after the clean-up's writes. What it
// stores is in the file, as the next launch reads it, by the time the quit returns, also
// when the table's queue is slow to get to it.
TEST_F(UnlaunchedShellTest, AnUnplugHeardWhileTheMonitorThreadStopsIsInTheTableAtTheQuitsEnd) {
    boot("macbook");
    std::atomic<bool> slowDisk{false};
    // Registered before the launch, so it is heard just before the delegate's own observer.
    auto slowWrite = fd::NotificationCenter::defaultCenter().addObserver(
        kGlassStatusChangeNotification, std::nullopt, fd::OperationQueue::main(),
        [&](const fd::Notification& note) {
            if (note.object.asBool() || !slowDisk) return;
            TavroFMDBManager::shareManager().queue()->async(
                [] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); });
        });
    launch();
    auto pair = glasses("TAVRO2_FW_V1.65");
    plug(pair);
    ASSERT_TRUE(runUntil([&] { return sent(pair, 6, 0) == 1; }));
    runFor(3);
    slowDisk = true;
    unplug(pair);
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (delegate().glassStatus.load() && std::chrono::steady_clock::now() < bound)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_FALSE(delegate().glassStatus.load());
    platform::ui::Application::shared().terminate();
    TavroFMDBManager nextLaunch(TavroFMDBManager::shareManager().databasePath());
    std::vector<int64_t> stored;
    nextLaunch.selectAll([&](TavroFMDBManager::Rows rows, int64_t, std::string) {
        for (const auto& row : rows) stored.push_back(row.at("eventType").asInt64());
    });
    nextLaunch.drainDatabaseQueue();
    EXPECT_EQ(stored, (std::vector<int64_t>{2, 4}));
}

// The launch holds the main thread until the displays are un-mirrored; when that never
// succeeds, a quit signal still ends the launch, and the quit runs.
TEST_F(UnlaunchedShellTest, AQuitSignalEndsTheLaunchsUnmirroringRetries) {
    // A Mac mini whose only screen, the glasses', is mirrored to a monitor.
    boot("macmini");
    auto& displays = mac_->displays();
    displays.plugDisplay(platform::sim::SimDisplayServer::glassesDisplay());
    platform::sim::DisplayProfile monitor{"Monitor", 1, 2, 3, {{1920, 1080, 60}}};
    displays.plugDisplay(monitor, true);
    displays.failNextCompletions(1 << 30);
    std::thread signal([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        quitSignal();
    });
    withinThirtySeconds([&] { launch(); });
    signal.join();
    EXPECT_TRUE(runUntil([] { return platform::ui::Application::shared().terminateRequested(); }));
    // The launch's events could no longer be uploaded: they wait in the table with the quit's.
    EXPECT_EQ(storedEvents(), (std::vector<int64_t>{0, 3, 1, 2}));
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

namespace {

using QuitGuardsTest = LaunchedShell;
using Clock = std::chrono::steady_clock;

// How long the termination may take beyond the bound of the one wait that cannot end.
constexpr auto kMargin = std::chrono::milliseconds(1500);

// The quit's bound, shortened for a test that waits it out.
class ShortQuitLimit {
  public:
    static constexpr std::chrono::milliseconds kLimit{1000};
    ShortQuitLimit() { fd::BackgroundWork::setQuitLimit(kLimit); }
    ~ShortQuitLimit() { fd::BackgroundWork::setQuitLimit(fd::BackgroundWork::kFinishLimit); }
    ShortQuitLimit(const ShortQuitLimit&) = delete;
    ShortQuitLimit& operator=(const ShortQuitLimit&) = delete;
};

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
    ShortQuitLimit shorter;
    const auto took = timedTermination();
    letGo.set_value();
    step.join();
    EXPECT_LT(took, ShortQuitLimit::kLimit + kMargin);
}

// A command or display change of an after-plug sequence in progress as the quit begins: the
// clean-up talks to the glasses only once it has returned.
TEST_F(QuitGuardsTest, TheCleanUpWaitsForAPlugSequenceStepInProgress) {
    auto pair = glasses("TAVRO2_FW_V1.65");
    plug(pair);
    ASSERT_TRUE(runUntil([&] { return sent(pair, 6, 0) == 1; }));
    const size_t offBefore = sent(pair, 1, 3);
    std::promise<void> inStep;
    std::atomic<size_t> offAtStepEnd{0};
    std::thread step([&] {
        shell::PlugSequenceScope running;
        inStep.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        offAtStepEnd = sent(pair, 1, 3);
    });
    inStep.get_future().wait();
    timedTermination();
    step.join();
    EXPECT_EQ(offAtStepEnd.load(), offBefore) << "the 3D went off while the step still ran";
    EXPECT_GT(sent(pair, 1, 3), offBefore);
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
    ShortQuitLimit shorter;
    const auto took = timedTermination();
    *letGo = true;
    EXPECT_LT(took, ShortQuitLimit::kLimit + kMargin);
}

// A usage table whose statements never return (a file system that stops answering): the
// quit waits for it no longer than its second, names the events it could not store, and
// goes on with its clean-up to the end: the glasses back in 2D, the monitor thread stopped.
TEST_F(QuitGuardsTest, AUsageTableThatNeverAnswersHoldsTheTerminationNoLongerThanItsSecond) {
    auto pair = glasses("TAVRO2_FW_V1.65");
    plug(pair);
    ASSERT_TRUE(runUntil([&] { return sent(pair, 6, 0) == 1; }));
    ASSERT_TRUE(runUntil([] { return fd::BackgroundWork::running() == 0; }));
    const size_t offBefore = sent(pair, 1, 3);
    std::promise<void> answers;
    TavroFMDBManager::shareManager().queue()->async(
        [stuck = answers.get_future().share()] { stuck.wait(); });
    ::testing::internal::CaptureStderr();
    const auto took = timedTermination();
    const std::string log = ::testing::internal::GetCapturedStderr();
    answers.set_value();
    EXPECT_LT(took, TavroFMDBManager::kQuitWait + kMargin);
    EXPECT_GT(sent(pair, 1, 3), offBefore);
    EXPECT_NE(log.find("not stored: \"app_use_duration\""), std::string::npos) << log;
    EXPECT_NE(log.find("not stored: \"use_mode_type\""), std::string::npos) << log;
    unplug(pair);
    runFor(2);
    EXPECT_TRUE(delegate().glassStatus.load()) << "the monitor thread still hears the glasses";
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
