#include "platform/sim/ScenarioRunner.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Mutex.h"
#include "platform/sim/VirtualBootloader.h"
#include "platform/sim/VirtualGlasses.h"
#include "platform/ui/Alert.h"
#include "platform/ui/Application.h"
#include "platform/ui/Event.h"
#include "platform/ui/StatusItem.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform::sim {

namespace {

using foundation::Clock;
using Action = ScenarioStep::Action;

// How long a step that acts on the main thread waits for it (clock seconds).
constexpr double kMainThreadSeconds = 60;
constexpr double kPollSeconds = 0.05;
constexpr int16_t kMediaKeySubtype = 8;
// The command of the programming packets after the first, and the image bytes each carries.
constexpr uint32_t kContinuationCommand = 0x00;
constexpr uint64_t kBytesPerPacket = 56;

// Unless it is quitting already (by itself, or at a quit signal).
void quitApplication() {
    auto& application = ui::Application::shared();
    if (!application.terminateRequested()) application.terminate();
}

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", value);
    return text;
}

std::string describe(const ScenarioStep& step) {
    switch (step.action) {
        case Action::Wait:
            return "wait " + seconds(step.seconds);
        case Action::Plug:
            return "plug " + step.device + " (" + step.glasses.kind + ")";
        case Action::Unplug:
            return "unplug " + step.device;
        case Action::Click:
            return "click " + step.text;
        case Action::ClickStatusItem:
            return step.text + " click on the status item";
        case Action::VolumeKey:
            return "volume key " + step.text;
        case Action::Lock:
            return "lock the screen";
        case Action::Unlock:
            return "unlock the screen";
        case Action::Sleep:
            return "sleep";
        case Action::Wake:
            return "wake";
        case Action::Reopen:
            return "reopen the application";
        case Action::AnswerAlert:
            return "answer the next alert with button " + std::to_string(step.button);
        case Action::ExpectPanel:
            return "expect panel " + step.text;
        case Action::ExpectAlert:
            return "expect alert \"" + step.text + "\"";
        case Action::ExpectLog:
            return "expect log line \"" + step.text + "\"";
        case Action::ExpectFirmware:
            return "expect " + step.device + " at firmware " + step.text;
        case Action::ExpectQuit:
            return "expect the application to quit";
        case Action::Quit:
            return "quit";
        case Action::Backend:
            return "backend" + (step.backendMode.empty() ? "" : " " + step.backendMode) +
                   (step.offerVersion.empty() ? "" : " offering " + step.offerVersion);
        case Action::ActivateApp:
            return "activate " + step.text;
        case Action::QuitApp:
            return "quit " + step.text;
    }
    return "?";
}

void steerBackend(SimBackendServer& backend, const ScenarioStep& step) {
    if (auto mode = SimBackendServer::modeNamed(step.backendMode)) backend.setMode(*mode);
    if (!step.offerVersion.empty()) backend.offerNewerVersion(step.offerVersion, step.releaseNote);
}

}  // namespace

ScenarioRunner::ScenarioRunner(Scenario scenario, SimMac& mac,
                               std::shared_ptr<ScreenRecorder> screen, std::shared_ptr<RunLog> log,
                               Options options)
    : scenario_(std::move(scenario)),
      mac_(mac),
      screen_(std::move(screen)),
      log_(std::move(log)),
      options_(std::move(options)) {}

ScenarioRunner::~ScenarioRunner() {
    stop();
}

bool ScenarioRunner::isSetUp(const ScenarioStep& step) {
    return step.action == Action::AnswerAlert || step.action == Action::Backend;
}

void ScenarioRunner::start() {
    std::error_code error;
    const std::filesystem::path documents(foundation::documentsDirectory());
    for (std::filesystem::recursive_directory_iterator it(documents, error), end;
         !error && it != end; it.increment(error)) {
        struct stat info {};
        if (it->path().extension() == ".log" && ::stat(it->path().c_str(), &info) == 0 &&
            S_ISREG(info.st_mode)) {
            logStarts_[it->path().string()] = {static_cast<uint64_t>(info.st_ino),
                                               static_cast<uint64_t>(info.st_size)};
        }
    }
    for (const auto& step : scenario_.steps) {
        if (!isSetUp(step)) break;
        perform(step);
    }
    ui::Alert::setResponder([this](const ui::Alert& alert) { return answerAlert(alert); });
    thread_ = std::thread([this] { run(); });
}

void ScenarioRunner::stop() {
    {
        foundation::MutexLock lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (!thread_.joinable()) return;
    thread_.join();
    ui::Alert::setResponder(nullptr);
    logLastCommands();
}

void ScenarioRunner::quitByUser() {
    foundation::MutexLock lock(mutex_);
    userQuit_ = true;
}

bool ScenarioRunner::succeeded() const {
    foundation::MutexLock lock(mutex_);
    return finished_.load() && failures_.empty();
}

std::vector<std::string> ScenarioRunner::failures() const {
    foundation::MutexLock lock(mutex_);
    return failures_;
}

std::shared_ptr<VirtualHidDevice> ScenarioRunner::device(const std::string& name) const {
    foundation::MutexLock lock(mutex_);
    auto found = devices_.find(name);
    return found == devices_.end() ? nullptr : found->second;
}

void ScenarioRunner::run() {
    if (log_) log_->line("scenario \"" + scenario_.name + "\" starts");
    bool quitAsked = false;
    size_t first = 0;  // start() has set the leading steps up
    while (first < scenario_.steps.size() && isSetUp(scenario_.steps[first])) ++first;
    for (size_t i = first; i < scenario_.steps.size(); ++i) {
        const auto& step = scenario_.steps[i];
        bool stopped;
        bool userQuit;
        {
            foundation::MutexLock lock(mutex_);
            stopped = stopping_;
            userQuit = userQuit_;
        }
        // An application that quits by itself before its scenario is over has not done
        // what the scenario expects of it (unless that is what the scenario expects next); a
        // user who quits early has just had enough.
        if (stopped && step.action != Action::ExpectQuit) {
            if (options_.quitAtEnd && !userQuit) {
                fail("the application quit before step " + std::to_string(i + 1) + " (" +
                     describe(step) + ")");
            }
            break;
        }
        if (log_) log_->line("step: " + describe(step));
        if (!perform(step)) break;
        if (step.action == Action::Quit) {
            quitAsked = true;
            break;
        }
    }
    const auto failed = failures();
    bool stopped;
    bool userQuit;
    {
        foundation::MutexLock lock(mutex_);
        stopped = stopping_;
        userQuit = userQuit_;
    }
    if (log_) {
        log_->line(!failed.empty() ? "scenario \"" + scenario_.name + "\" FAILED: " + failed.front()
                   : userQuit      ? "scenario \"" + scenario_.name + "\" ended by the user's quit"
                                   : "scenario \"" + scenario_.name + "\" passed");
    }
    finished_.store(true);
    if (!stopped && !quitAsked && options_.quitAtEnd) {
        foundation::mainQueue()->async([screen = screen_, quit = options_.quit] {
            if (screen) screen->pictureVisibleWindows();
            quit ? quit() : quitApplication();
        });
    }
}

void ScenarioRunner::fail(const std::string& why) {
    foundation::MutexLock lock(mutex_);
    // What the user's quit cut short has not failed: it was never waited for to the end.
    if (userQuit_) return;
    failures_.push_back(why);
}

bool ScenarioRunner::pause(double seconds) {
    foundation::MutexLock lock(mutex_);
    const auto deadline = Clock::current().now() + Clock::fromSeconds(seconds);
    Clock::current().waitUntil(mutex_, wake_, deadline,
                               [this]() TAVRO_REQUIRES(mutex_) { return stopping_; });
    return !stopping_;
}

bool ScenarioRunner::waitFor(double seconds, const std::function<bool()>& done) {
    const auto deadline = Clock::current().now() + Clock::fromSeconds(seconds);
    for (;;) {
        if (done()) return true;
        if (Clock::current().now() >= deadline) return false;
        if (!pause(kPollSeconds)) return done();
    }
}

bool ScenarioRunner::onMain(const std::string& what, std::function<bool()> task) {
    auto state = std::make_shared<std::pair<std::atomic<bool>, std::atomic<bool>>>(false, false);
    foundation::mainQueue()->async([state, task] {
        state->second.store(task());
        state->first.store(true);
    });
    if (!waitFor(kMainThreadSeconds, [&] { return state->first.load(); })) {
        fail(what + ": the main thread did not get to it");
        return false;
    }
    if (!state->second.load()) {
        fail(what + ": not possible now");
        return false;
    }
    return true;
}

bool ScenarioRunner::perform(const ScenarioStep& step) {
    switch (step.action) {
        case Action::Wait:
            return pause(step.seconds);
        case Action::Plug:
            return plug(step);
        case Action::Unplug:
            return unplug(step);
        case Action::Click:
            return click(step.text, step.at);
        case Action::ClickStatusItem:
            return clickStatusItem(step.text == "right");
        case Action::VolumeKey:
            return volumeKey(step.text);
        case Action::Lock:
            mac_.lockScreen();
            return true;
        case Action::Unlock:
            mac_.unlockScreen();
            return true;
        case Action::Sleep:
            mac_.systemSleep();
            return true;
        case Action::Wake:
            mac_.systemWake();
            return true;
        case Action::Reopen:
            return onMain("reopen", [] {
                ui::Application::shared().activate();
                ui::Application::shared().reopen();
                return true;
            });
        case Action::AnswerAlert: {
            foundation::MutexLock lock(mutex_);
            answers_.push_back({step.button, step.text});
            return true;
        }
        case Action::ExpectPanel:
        case Action::ExpectAlert:
        case Action::ExpectLog:
        case Action::ExpectFirmware:
            return expect(step);
        case Action::ExpectQuit: {
            // The application's main loop has ended: the run stops its runner.
            const bool quit = waitFor(step.seconds, [this] {
                foundation::MutexLock lock(mutex_);
                return stopping_;
            });
            if (!quit) fail(describe(step) + ": it still runs after " + seconds(step.seconds));
            return quit;
        }
        case Action::Quit:
            foundation::mainQueue()->async(options_.quit ? options_.quit : quitApplication);
            return true;
        case Action::Backend:
            steerBackend(mac_.backend(), step);
            return true;
        case Action::ActivateApp:
            mac_.activateApplication(step.text);
            return true;
        case Action::QuitApp:
            mac_.terminateApplication(step.text);
            return true;
    }
    return false;
}

bool ScenarioRunner::plug(const ScenarioStep& step) {
    std::shared_ptr<VirtualHidDevice> device;
    if (step.glasses.kind == "bootloader") {
        device = std::make_shared<VirtualBootloader>(1, mac_.usbBus());
    } else {
        device = SimMac::makeDevice(step.glasses);
        if (auto glasses = std::dynamic_pointer_cast<VirtualGlasses>(device);
            glasses && step.imuRate > 0)
            glasses->setImuRate(step.imuRate);
    }
    {
        foundation::MutexLock lock(mutex_);
        devices_[step.device] = device;
    }
    mac_.plugDevice(device);
    return true;
}

bool ScenarioRunner::unplug(const ScenarioStep& step) {
    auto named = device(step.device);
    if (!named) {
        fail("unplug " + step.device + ": no such device was plugged");
        return false;
    }
    auto glasses = std::dynamic_pointer_cast<VirtualGlasses>(named);
    std::shared_ptr<VirtualHidDevice> bootloader = glasses ? glasses->bootloader() : nullptr;
    if (step.afterBytes) {
        if (!glasses) {
            fail("unplug " + step.device + " after bytes: these are not glasses");
            return false;
        }
        // The bootloader itself leaves the bus at the programming packet that carries those
        // bytes: a simulated update is over far sooner than a poll could catch it halfway.
        auto loader = std::static_pointer_cast<VirtualBootloader>(glasses->bootloader());
        const uint32_t packets = static_cast<uint32_t>(*step.afterBytes / kBytesPerPacket);
        loader->injectFault(BootloaderFault::Unplug, kContinuationCommand, packets);
        const double within = step.seconds > 0 ? step.seconds : 120;
        if (!waitFor(within, [&] {
                return loader->bytesProgrammed() > 0 && !mac_.usbBus().isPlugged(*loader);
            })) {
            loader->clearFaults();
            fail("unplug " + step.device + ": the update never wrote " +
                 std::to_string(*step.afterBytes) + " bytes");
            return false;
        }
        return true;
    }
    // Whatever the pair is on the bus as right now: the glasses or their bootloader.
    if (bootloader && mac_.usbBus().isPlugged(*bootloader)) mac_.unplugDevice(bootloader);
    if (mac_.usbBus().isPlugged(*named)) mac_.unplugDevice(named);
    return true;
}

namespace {

// A press and a release of one mouse button at `view`'s point `at` along its width, halfway
// up, as the user's click reaches the application.
void clickView(ui::View& view, const ui::WindowPtr& window, double at, bool right) {
    const auto bounds = view.bounds();
    // The right end itself lies just outside the view.
    const double x = std::min(at * bounds.size.width, std::max(0.0, bounds.size.width - 0.5));
    const ui::Point point = view.convertPointToView(
        {bounds.origin.x + x, bounds.origin.y + bounds.size.height / 2}, nullptr);
    auto& app = ui::Application::shared();
    app.sendEvent(ui::Event::mouse(
        right ? ui::EventType::RightMouseDown : ui::EventType::LeftMouseDown, point, window));
    app.sendEvent(ui::Event::mouse(right ? ui::EventType::RightMouseUp : ui::EventType::LeftMouseUp,
                                   point, window));
}

}  // namespace

bool ScenarioRunner::click(const std::string& outlet, double at) {
    return onMain("click " + outlet, [outlet, at] {
        for (const auto& window : ui::Application::shared().orderedWindows()) {
            if (!window->isVisible() || !window->contentView()) continue;
            ui::View* view = window->contentView()->viewWithIdentifier(outlet);
            if (!view || view->isHiddenOrHasHiddenAncestor()) continue;
            clickView(*view, window, at, false);
            return true;
        }
        return false;
    });
}

bool ScenarioRunner::clickStatusItem(bool right) {
    return onMain(std::string(right ? "right" : "left") + " click on the status item", [right] {
        for (const auto& item : ui::StatusBar::system().items()) {
            const auto& button = item->button();
            if (!item->isVisible() || !button || !item->window()) continue;
            clickView(*button, item->window(), 0.5, right);
            return true;
        }
        return false;
    });
}

bool ScenarioRunner::volumeKey(const std::string& key) {
    const int64_t code = key == "up" ? 0 : key == "down" ? 1 : 7;
    return onMain("volume key " + key, [code] {
        auto& app = ui::Application::shared();
        for (int64_t state : {0x0A, 0x0B}) {
            auto event = ui::Event::systemDefined(kMediaKeySubtype, code << 16 | state << 8);
            // Media keys reach the frontmost application's local monitors, and every other
            // application's global ones.
            if (app.isActive()) {
                app.sendEvent(event);
            } else {
                app.sendGlobalEvent(event);
            }
        }
        return true;
    });
}

bool ScenarioRunner::expect(const ScenarioStep& step) {
    bool met = false;
    if (step.action == Action::ExpectPanel) {
        size_t matched = 0;
        met = waitFor(step.seconds, [&] {
            return screen_ && screen_->panelSeen(step.text, panelCursor_, &matched);
        });
        if (met) panelCursor_ = matched + 1;
    } else if (step.action == Action::ExpectAlert) {
        met = waitFor(step.seconds, [&] {
            if (!screen_) return false;
            const auto alerts = screen_->record().alerts;
            for (size_t i = alertCursor_; i < alerts.size(); ++i) {
                if (alerts[i].find(step.text) != std::string::npos) {
                    alertCursor_ = i + 1;
                    return true;
                }
            }
            return false;
        });
    } else if (step.action == Action::ExpectFirmware) {
        auto glasses = std::dynamic_pointer_cast<VirtualGlasses>(device(step.device));
        met =
            glasses && waitFor(step.seconds, [&] {
                return glasses->firmwareVersion() == step.text && mac_.usbBus().isPlugged(*glasses);
            });
    } else {
        met = waitFor(step.seconds, [&] { return logHolds(step.text); });
    }
    if (!met) {
        std::string seen;
        if (screen_ && (step.action == Action::ExpectPanel || step.action == Action::ExpectAlert)) {
            const auto record = screen_->record();
            for (const auto& p : step.action == Action::ExpectPanel ? record.panels : record.alerts)
                seen += (seen.empty() ? "" : ", ") + p;
        }
        fail(describe(step) + ": not seen within " + seconds(step.seconds) +
             " (seen: " + (seen.empty() ? "nothing" : seen) + ")");
    }
    return met;
}

bool ScenarioRunner::logHolds(const std::string& text) const {
    std::error_code error;
    const std::filesystem::path documents(foundation::documentsDirectory());
    for (std::filesystem::recursive_directory_iterator it(documents, error), end;
         !error && it != end; it.increment(error)) {
        struct stat info {};
        if (it->path().extension() != ".log" || ::stat(it->path().c_str(), &info) != 0 ||
            !S_ISREG(info.st_mode)) {
            continue;
        }
        // A file of this run, or one that was replaced (a log over its size limit starts
        // anew), is read whole; an earlier run's from where that run left it.
        uint64_t from = 0;
        if (auto start = logStarts_.find(it->path().string());
            start != logStarts_.end() && start->second.inode == info.st_ino &&
            start->second.size <= static_cast<uint64_t>(info.st_size)) {
            from = start->second.size;
        }
        std::ifstream file(it->path());
        file.seekg(static_cast<std::streamoff>(from));
        std::string line;
        while (std::getline(file, line)) {
            if (line.find(text) != std::string::npos) return true;
        }
    }
    return false;
}

// What the glasses were told last shows whether the quit left them as it found them.
void ScenarioRunner::logLastCommands() const {
    if (!log_) return;
    std::map<std::string, std::shared_ptr<VirtualHidDevice>> devices;
    {
        foundation::MutexLock lock(mutex_);
        devices = devices_;
    }
    for (const auto& [name, device] : devices) {
        const auto reports = device->outputReports();
        if (reports.empty()) continue;
        const auto& bytes = reports.back().bytes;
        // Up to the last byte that is not zero: the rest of a report is padding.
        size_t length = bytes.size();
        while (length > 0 && bytes[length - 1] == 0) --length;
        std::string hex;
        for (size_t i = 0; i < length; ++i) {
            char pair[4];
            std::snprintf(pair, sizeof pair, "%s%02x", i == 0 ? "" : " ", bytes[i]);
            hex += pair;
        }
        log_->line("device \"" + name + "\": last command " + hex);
    }
}

int ScenarioRunner::answerAlert(const ui::Alert& alert) {
    if (screen_) screen_->alertUp(alert);
    foundation::MutexLock lock(mutex_);
    for (auto it = answers_.begin(); it != answers_.end(); ++it) {
        if (!it->message.empty() && alert.messageText().find(it->message) == std::string::npos)
            continue;
        const int response = ui::kAlertFirstButtonReturn + it->button - 1;
        answers_.erase(it);
        return response;
    }
    return ui::kAlertNotAnswered;
}

}  // namespace platform::sim
