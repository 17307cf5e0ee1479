#pragma once
// The application shell on a simulated Mac: a private home (defaults, log), a manual clock
// that a driver thread moves on whenever some thread sleeps on it (and that a test can hold
// still to look at one moment), alerts answered and recorded. CTest runs every test in a
// process of its own, so the delegate and the shared state start as the application's do,
// and observers the delegate registers stay for the life of the process. Main thread.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>
#include <thread>

#include "TAVRO_3D/AppDelegateShell.h"
#include "TAVRO_3D/ShellNeighbours.h"
#include "TAVRO_3D/TavroDFUUpdateViewController.h"
#include "appstate/AppDelegate.h"
#include "backend/TavroFMDBManager.h"
#include "common/GlobalHelpers.h"
#include "common/TavroLocalizationHelper.h"
#include "display/DummyManager.h"
#include "glasses/GlassServer.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sim/MachineProfiles.h"
#include "platform/sim/SimMac.h"
#include "platform/sim/VirtualGlasses.h"
#include "platform/ui/Alert.h"
#include "platform/ui/Application.h"
#include "platform/ui/Popover.h"
#include "platform/ui/StatusItem.h"
#include "platform/ui/Window.h"
#include "tests/support/InstalledSimMac.h"
#include "tests/support/TemporaryHome.h"

// (command, subcommand) pairs of the reports sent to a device.
using Commands = std::vector<std::pair<uint16_t, uint16_t>>;

class ShellHarness : public ::testing::Test {
  protected:
    using Device = std::shared_ptr<platform::sim::VirtualHidDevice>;

    void SetUp() override {
        namespace fd = platform::foundation;
        home_.emplace("tavro-shell");
        fd::BackgroundWork::resume();  // as a run of the application does before it starts
        fd::UserDefaults::resetStandard();
        scopedClock_.emplace(clock_);
        driver_ = std::thread([this] {
            while (!stopDriver_) {
                if (!paused_ && (keepRunning_ || clock_->waiterCount() > 0))
                    clock_->advance(std::chrono::microseconds(clockStep_.load()));
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        platform::ui::Alert::setResponder([this](const platform::ui::Alert& alert) {
            std::lock_guard lock(alertMutex_);
            alerts_.push_back(alert.messageText());
            return alertResponse_.load();
        });
        delegate().init();
        delegate().glassVersion.set("V-1.0");
    }

    void TearDown() override {
        namespace fd = platform::foundation;
        shell::endPlugSequences();  // as the quit does: no sequence outlives the test
        // Stops the monitor thread the way the application does, draining the main queue.
        std::atomic<bool> stopped{false};
        fd::globalQueue()->async([server = glassServer(delegate()), &stopped] {
            server->stopMonitoring();
            stopped = true;
        });
        while (!stopped) runUntil([&] { return stopped.load(); }, 1);
        for (auto& device : plugged_) mac_->unplugDevice(device);
        plugged_.clear();
        mac_.reset();
        runFor(10);  // lets pending timers and panel changes finish on this SimMac's clock
        platform::ui::Alert::setResponder(nullptr);
        stopDriver_ = true;
        driver_.join();
        fd::MainLoop::drain();
        // The interface goes before the process's own end, where the drawing library may
        // already be gone.
        AppDelegate& d = delegate();
        const auto drop = [](auto&... held) { (held.set(nullptr), ...); };
        drop(d.window, d.homeNewViewController, d.homeStartViewController,
             d.dfuUpdateViewController, d.glassConnectSuccessViewController,
             d.glassConnectSuccessPopoverViewController, d.firstPopover, d.appUpdateView);
        if (auto item = d.statusItem.exchange(nullptr))
            platform::ui::StatusBar::system().removeStatusItem(item);
        platform::ui::Application::shared().reset();
        DummyManager::discardDummies();
        scopedClock_.reset();
        TavroFMDBManager::shareManager().closeDatabase();
        fd::UserDefaults::resetStandard();
        home_.reset();
    }

    static AppDelegate& delegate() { return AppDelegate::shared(); }
    // A simulated Mac from a shipped profile's name or from a profile's JSON.
    void boot(const std::string& profile) {
        auto parsed = profile.starts_with("{") ? platform::sim::parseMachineProfile(profile)
                                               : platform::sim::machineProfileNamed(profile);
        ASSERT_TRUE(parsed) << profile;
        mac_.boot(std::move(parsed).value(), home_->path());
    }
    // As the entry does.
    void launch() {
        delegate().applicationWillFinishLaunching();
        delegate().applicationDidFinishLaunching();
    }

    static std::shared_ptr<platform::sim::VirtualGlasses> glasses(
        const std::string& version, platform::sim::VirtualGlassesConfig config =
                                        platform::sim::VirtualGlasses::secondGeneration()) {
        config.firmwareVersion = version;
        return std::make_shared<platform::sim::VirtualGlasses>(std::move(config));
    }
    void plug(const Device& device) {
        plugged_.push_back(device);
        mac_->plugDevice(device);
    }
    void unplug(const Device& device) {
        std::erase(plugged_, device);
        mac_->unplugDevice(device);
    }
    // Plugs or unplugs with the clock held, and waits until the delegate has handled it.
    void plugHeld(const Device& device, bool in = true) {
        hold();
        const uint64_t before = shell::plugGeneration();
        in ? plug(device) : unplug(device);
        ASSERT_TRUE(runUntil([&] { return shell::plugGeneration() > before; }));
    }

    // Runs the main loop until `done` or `seconds` of clock time (30 s of real time while
    // the clock is held, which never reaches the timeout).
    bool runUntil(const std::function<bool()>& done, double seconds = 120) {
        const auto realDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        keepRunning_ = true;
        platform::foundation::MainLoop::runUntilSeconds(
            [&] { return done() || std::chrono::steady_clock::now() > realDeadline; }, seconds);
        keepRunning_ = false;
        return done();
    }
    // Lets the clock run and runs the main loop for `seconds` of clock time.
    void runFor(double seconds) {
        release();
        runUntil([] { return false; }, seconds);
    }
    // Holds the clock still.
    void hold() { paused_ = true; }
    void release() { paused_ = false; }
    // Lets the clock run at a fifth of its usual pace (five times real time instead of 25),
    // for tests that bound a wait from above: a late wake-up then costs less clock time.
    void slowClock() { clockStep_ = 1000; }

    // The firmware-update panel was told to start its update as soon as it shows.
    bool updateBegunWhenShown() {
        auto panel = delegate().dfuUpdateViewController.get();
        return panel && panel->isBeginUpdateDfu.load();
    }
    // The panel the main window shows, if it is one of the delegate's.
    std::optional<shell::Panel> shownPanel() {
        auto window = delegate().window.get();
        for (auto panel : {shell::Panel::Home, shell::Panel::Start, shell::Panel::FirmwareUpdate,
                           shell::Panel::Connected}) {
            if (window && window->contentViewController() == shell::panelController(panel))
                return panel;
        }
        return std::nullopt;
    }
    bool runUntilShown(shell::Panel panel) {
        return runUntil([&] { return shownPanel() == panel; });
    }

    // Every report the device received, in order.
    static Commands commandsOf(const Device& device) {
        Commands commands;
        for (const auto& report : device->outputReports()) {
            const auto& b = report.bytes;
            if (b.size() >= 12) commands.emplace_back(b[8] | b[9] << 8, b[10] | b[11] << 8);
        }
        return commands;
    }
    static size_t countOf(const Commands& commands, uint16_t command, uint16_t subcommand) {
        return std::count(commands.begin(), commands.end(), std::make_pair(command, subcommand));
    }
    static size_t sent(const Device& device, uint16_t command, uint16_t subcommand) {
        return countOf(commandsOf(device), command, subcommand);
    }
    // Types of the usage events the SimMac's backend received, sorted (they are posted
    // from a concurrent queue).
    std::vector<int64_t> postedEvents() const {
        std::vector<int64_t> types;
        for (const auto& event : mac_->backend().receivedEvents()) {
            auto type = event.body.find("eventType");
            if (type != event.body.end()) types.push_back(type->second.asInt64());
        }
        std::sort(types.begin(), types.end());
        return types;
    }
    bool awaitPostedEvents(size_t count) {
        return runUntil([&] { return postedEvents().size() >= count; }, 60);
    }
    // Types of the events in the usage table, in the order they were stored.
    static std::vector<int64_t> storedEvents() {
        std::promise<TavroFMDBManager::Rows> rows;
        TavroFMDBManager::shareManager().selectAll(
            [&](TavroFMDBManager::Rows all, int64_t, std::string) { rows.set_value(all); });
        std::vector<int64_t> types;
        for (const auto& row : rows.get_future().get())
            types.push_back(row.at("eventType").asInt64());
        return types;
    }

    float builtinBrightness() {
        return common::builtinBrightness(delegate().builtinDisplayID.load());
    }

    // The messages of the alerts shown so far.
    std::vector<std::string> alerts() const {
        std::lock_guard lock(alertMutex_);
        return alerts_;
    }
    void answerAlerts(int response) { alertResponse_ = response; }

    std::shared_ptr<platform::foundation::ManualClock> clock_ =
        std::make_shared<platform::foundation::ManualClock>();
    std::optional<platform::foundation::ScopedClock> scopedClock_;
    std::atomic<bool> paused_{false}, keepRunning_{false}, stopDriver_{false};
    std::atomic<int64_t> clockStep_{5000};  // microseconds of clock time per driver step
    std::thread driver_;
    test_support::InstalledSimMac mac_;
    std::vector<Device> plugged_;
    std::optional<test_support::TemporaryHome> home_;
    std::atomic<int> alertResponse_{platform::ui::kAlertSecondButtonReturn};
    mutable std::mutex alertMutex_;
    std::vector<std::string> alerts_;
};

// Launched on a MacBook whose glasses screen comes up mirrored.
class LaunchedShell : public ShellHarness {
  protected:
    void SetUp() override {
        ShellHarness::SetUp();
        boot("macbook");
        launch();
    }
};
