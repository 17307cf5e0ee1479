#include "app/ApplicationRun.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <thread>

#include "app/QuitSignals.h"
#include "appstate/AppDelegate.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/ProcessLockRegistry.h"
#include "platform/sim/MachineProfiles.h"
#include "platform/sim/RunLog.h"
#include "platform/sim/Scenario.h"
#include "platform/ui/Application.h"
#include "platform/ui/DisplayBackend.h"

namespace app {

namespace fdn = platform::foundation;
namespace sim = platform::sim;
namespace ui = platform::ui;

namespace {

RunResult cannotStart(std::string why) {
    RunResult result;
    result.exitStatus = 2;
    result.error = std::move(why);
    return result;
}

std::string timeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

std::optional<std::string> defaultScenarioPath() {
    return fdn::Bundle::main().pathForResource("default", "json", "scenarios");
}

// The display the run shows on: the recorder, in front of a real display when there is one.
std::shared_ptr<ui::DisplayBackend> startDisplay(RunOptions::Display display, std::string& error) {
    const char* name = std::getenv("DISPLAY");
    const bool wanted = display == RunOptions::Display::Required ||
                        (display == RunOptions::Display::Automatic && name && *name);
    if (!wanted) {
        ui::startDisplay(ui::DisplayChoice::Headless);
        return nullptr;
    }
    auto backend =
        ui::startDisplay(display == RunOptions::Display::Required ? ui::DisplayChoice::Display
                                                                  : ui::DisplayChoice::Automatic,
                         &error);
    return backend;
}

// The test hook of RunOptions::quitSignalAt: a Ctrl-C at `moment`, taken before the start
// goes on, so that the quit lands exactly there.
void raiseQuitSignalAt(const RunOptions& options, const char* moment, const QuitSignals* signals) {
    if (!signals || options.quitSignalAt != moment) return;
    ::kill(::getpid(), SIGINT);
    // Real time: the signal thread is not paced by the application's clock.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!signals->quitQueued() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// The test hook of RunOptions::holdQuitForStarts. Real time: the other copies' starts are
// not paced by this run's clock.
void holdQuitForStarts(const RunOptions& options, const fdn::ProcessLockRegistry& registry,
                       sim::RunLog& log) {
    if (options.holdQuitForStarts <= 0) return;
    log.line("the quit waits for another start");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int logged = 0; logged < options.holdQuitForStarts;) {
        if (registry.refusedHandOvers() > logged) {
            log.line("another copy was started while this one quit");
            ++logged;
        } else if (std::chrono::steady_clock::now() >= deadline) {
            return;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

// The scenario the run plays (none for "none"); false, with the reason, when it cannot be
// read.
bool loadRunScenario(const RunOptions& options, std::optional<sim::Scenario>& scenario,
                     std::string& error) {
    if (options.scenarioPath == "none") return true;
    std::string path = options.scenarioPath;
    if (path.empty()) path = defaultScenarioPath().value_or("");
    if (path.empty()) {
        error = "the bundle has no default scenario";
        return false;
    }
    auto loaded = sim::loadScenario(path);
    if (!loaded) {
        error = path + ": " + loaded.error().localizedDescription;
        return false;
    }
    scenario = std::move(loaded).value();
    return true;
}

// The simulated Mac to run on: the options' machine unless the scenario names one and the
// options do not; the scenario's permissions over the profile's.
std::optional<platform::backends::BackendChoice> chooseMachine(
    const RunOptions& options, const std::optional<sim::Scenario>& scenario, std::string& error) {
    const std::string machine = !options.machineGiven && scenario && scenario->machine
                                    ? *scenario->machine
                                    : options.machine;
    auto profile = sim::machineProfileNamed(machine);
    if (!profile) {
        error = "no machine \"" + machine + "\": " + profile.error().localizedDescription;
        return std::nullopt;
    }
    platform::backends::BackendChoice choice;
    choice.profile = std::move(profile).value();
    if (scenario && scenario->permissions) choice.profile.permissions = *scenario->permissions;
    choice.machineName = machine;
    choice.homeFolder = options.homeFolder;
    choice.freshHome = options.freshHome;
    return choice;
}

// Where the pictures and the log go: the options' folder, else on a headless run a folder
// of its own in the machine's home; none on a display without one. False, with the reason,
// when a promised folder cannot be written.
bool prepareSnapshots(const RunOptions& options, bool headless, RunResult& result,
                      std::string& runLogPath, std::string& error) {
    result.snapshotsFolder = options.snapshotsFolder;
    std::optional<fdn::Error> unwritable;
    if (result.snapshotsFolder.empty() && headless) {
        // A new folder even when a run started within the same second (a quit and a start at
        // once): each run's pictures and log stay its own.
        const std::string stamped =
            fdn::appendPathComponent(result.homeFolder, "Runs/" + timeStamp());
        auto made = fdn::createNewDirectory(stamped);
        result.snapshotsFolder = made ? *made : stamped;
        if (!made) unwritable = made.error();
    } else if (!result.snapshotsFolder.empty()) {
        unwritable = fdn::createDirectory(result.snapshotsFolder, true);
    }
    if (result.snapshotsFolder.empty()) return true;
    runLogPath = fdn::appendPathComponent(result.snapshotsFolder, "run.log");
    // A run that promises pictures and a log where none can be written has failed.
    if (!unwritable) unwritable = fdn::appendToFile(runLogPath, {});
    if (unwritable) {
        error = "cannot write pictures and log in " + result.snapshotsFolder + ": " +
                unwritable->localizedDescription;
        return false;
    }
    return true;
}

void announceRun(sim::RunLog& log, const std::string& machine, bool headless,
                 const RunResult& result) {
    log.line("simulated Mac \"" + machine + "\", home folder " + result.homeFolder);
    log.line(headless ? "headless; pictures and log in " + result.snapshotsFolder
                      : "on display " + std::string(std::getenv("DISPLAY")) +
                            (result.snapshotsFolder.empty()
                                 ? std::string()
                                 : "; pictures and log in " + result.snapshotsFolder));
}

// One copy per home folder: a later copy hands over to the first, which comes to the front.
// A later copy that waits for a quitting first one stops waiting at its own quit.
std::shared_ptr<fdn::ProcessLockRegistry> registerRunningCopy(
    const RunOptions& options, const std::shared_ptr<sim::RunLog>& log) {
    fdn::ProcessLockRegistry::Patience patience;
    if (options.quittingCopyWait) patience.holderEnd = *options.quittingCopyWait;
    return std::make_shared<fdn::ProcessLockRegistry>(
        fdn::Bundle::main().bundleIdentifier(),
        [log] {
            log->line("another copy was started; this one comes to the front");
            auto& application = ui::Application::shared();
            application.activate();
            application.reopen();
        },
        patience, [] { return fdn::BackgroundWork::stopping(); });
}

// The player of the scenario on the simulated Mac; none without either. A headless run
// quits when its scenario is over, unless the options say otherwise.
std::unique_ptr<sim::ScenarioRunner> makeScenarioRunner(
    const RunOptions& options, bool headless, std::optional<sim::Scenario>& scenario,
    platform::backends::PlatformBackends& backends,
    const std::shared_ptr<sim::ScreenRecorder>& recorder, const std::shared_ptr<sim::RunLog>& log) {
    if (!scenario || !backends.mac()) return nullptr;
    sim::ScenarioRunner::Options runnerOptions;
    runnerOptions.quitAtEnd = options.quitAtScenarioEnd.value_or(headless);
    return std::make_unique<sim::ScenarioRunner>(std::move(*scenario), *backends.mac(), recorder,
                                                 log, runnerOptions);
}

// How far the start has come, for the quit and the launch, which both run on the main
// thread: a quit signal may be handled before the launch (which then never runs) or at any
// moment after it began. Either task may still be queued when the run is over.
struct StartState {
    bool launchBegun = false;
    bool quitBeforeLaunch = false;
    bool over = false;
};

std::unique_ptr<QuitSignals> takeQuitSignals(const std::shared_ptr<StartState>& start,
                                             const std::shared_ptr<sim::RunLog>& log,
                                             sim::ScenarioRunner* runner) {
    return std::make_unique<QuitSignals>([start, log, runner] {
        // A quit already under way (the runner's, the menu's) is not run twice: its
        // clean-up lets the main queue run while it waits for the glasses' thread.
        if (start->over || ui::Application::shared().terminateRequested()) return;
        log->line("quit signal");
        if (runner) runner->quitByUser();
        if (!start->launchBegun) {
            // Nothing is set up yet: nothing to clean up either.
            start->quitBeforeLaunch = true;
            fdn::MainLoop::stop();
            return;
        }
        ui::Application::shared().terminate();
    });
}

// The delegate's launch, as the main loop's first task. A copy that finds another running
// hands over to it and launches nothing; otherwise the scenario starts with the launch.
void queueLaunch(const RunOptions& options, const std::shared_ptr<StartState>& start,
                 RunResult& result, const std::shared_ptr<sim::RunLog>& log,
                 const QuitSignals* signals,
                 std::shared_ptr<const fdn::ProcessLockRegistry> registry,
                 sim::ScenarioRunner* runner) {
    fdn::mainQueue()->async([&options, start, &result, log, signals, registry, runner] {
        if (start->over || start->quitBeforeLaunch) return;
        start->launchBegun = true;
        AppDelegate& delegate = AppDelegate::shared();
        delegate.applicationWillFinishLaunching();
        if (delegate.isAppOpen.load()) {
            result.duplicate = true;
            if (registry->handOverAccepted()) {
                log->line("another copy runs on this Mac; it comes to the front");
                return;
            }
            // The copy it waited for is still quitting: this start has not run, and says so.
            log->line("another copy runs on this Mac but did not come to the front; this one ends");
            result.error =
                "another copy of the application is still quitting; start it again "
                "once that copy has ended";
            return;
        }
        // A quit taken while this copy waited for a quitting one: nothing is set up, and the
        // quit queued behind this task ends the run as one before the launch.
        if (fdn::BackgroundWork::stopping()) {
            start->launchBegun = false;
            return;
        }
        raiseQuitSignalAt(options, "launch", signals);
        // The machine and its user do not wait for the launch to end.
        if (runner) runner->start();
        delegate.applicationDidFinishLaunching();
        // A copy started by its user comes to the front once it has finished launching; that
        // is when it uploads the usage events an earlier run stored.
        ui::Application::shared().activate();
    });
}

}  // namespace

RunResult runApplication(const RunOptions& options,
                         const std::function<void(RunView&)>& afterQuit) {
    // From the start on, a quit signal waits for the thread that takes it (and for threads
    // to inherit the mask) instead of ending the process without its termination.
    if (options.handleSignals) QuitSignals::block();
    std::string error;
    // The scenario first: it may name the machine.
    std::optional<sim::Scenario> scenario;
    if (!loadRunScenario(options, scenario, error)) return cannotStart(error);
    auto choice = chooseMachine(options, scenario, error);
    if (!choice) return cannotStart(error);
    const std::string machine = choice->machineName;

    // Before any thread starts: the clock, the backends. An earlier run in this process
    // (tests) has quit; this one may work until its own quit begins.
    fdn::BackgroundWork::resume();
    fdn::Clock::setCurrent(std::make_shared<fdn::RealClock>(options.speed));
    auto installed = platform::backends::PlatformBackends::install(std::move(*choice));
    if (!installed)
        return cannotStart("cannot set the machine up: " + installed.error().localizedDescription);
    auto backends = std::move(installed).value();

    RunResult result;
    result.homeFolder = backends->homeFolder();
    auto display = startDisplay(options.display, error);
    if (options.display == RunOptions::Display::Required && !display) {
        return cannotStart("no display: " + error);
    }
    const bool headless = display == nullptr;
    std::string runLogPath;
    if (!prepareSnapshots(options, headless, result, runLogPath, error)) return cannotStart(error);
    auto log = std::make_shared<sim::RunLog>(runLogPath, options.echoLog);
    announceRun(*log, machine, headless, result);
    auto recorder = std::make_shared<sim::ScreenRecorder>(display, result.snapshotsFolder, log);
    ui::Application::shared().setBackend(recorder);

    auto registry = registerRunningCopy(options, log);
    if (!registry->cannotTell().empty()) {
        registry->stop();
        return cannotStart(registry->cannotTell());
    }
    fdn::setRunningApplications(registry);

    auto runner = makeScenarioRunner(options, headless, scenario, *backends, recorder, log);

    auto start = std::make_shared<StartState>();
    std::unique_ptr<QuitSignals> signals;
    if (options.handleSignals) signals = takeQuitSignals(start, log, runner.get());
    raiseQuitSignalAt(options, "start", signals.get());
    queueLaunch(options, start, result, log, signals.get(), registry, runner.get());
    fdn::MainLoop::run();
    start->over = true;
    // Nothing brings this copy to the front any more: a copy started now runs once it ends.
    registry->refuseHandOvers();
    holdQuitForStarts(options, *registry, *log);
    if (start->quitBeforeLaunch) log->line("quit before the launch");

    if (runner) {
        runner->stop();
        result.failures = runner->failures();
    }
    signals.reset();
    registry->stop();
    fdn::setRunningApplications(nullptr);
    if (afterQuit) {
        RunView view{*backends, runner.get(), *recorder};
        afterQuit(view);
    }
    result.screen = recorder->record();
    result.exitStatus = !result.error.empty() ? 2 : result.failures.empty() ? 0 : 1;
    log->line(result.exitStatus == 0   ? "quit"
              : result.exitStatus == 2 ? "quit; this copy did not start"
                                       : "quit; the scenario failed");
    result.logFailure = log->failure();
    runner.reset();
    ui::Application::shared().setBackend(nullptr);
    backends.reset();
    return result;
}

}  // namespace app
