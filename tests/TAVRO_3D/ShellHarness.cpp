#include "tests/TAVRO_3D/ShellHarness.h"

#include <algorithm>
#include <fstream>
#include <future>

#include "TAVRO_3D/TavroDFUUpdateViewController.h"
#include "backend/TavroAppUpdateView.h"
#include "backend/TavroFMDBManager.h"
#include "common/GlobalHelpers.h"
#include "common/TavroLocalizationHelper.h"
#include "common/TavroLog.h"
#include "display/DummyManager.h"
#include "display/ScreenRecognition.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/RunningApplication.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sim/MachineProfiles.h"
#include "platform/ui/Application.h"
#include "platform/ui/Popover.h"
#include "platform/ui/StatusItem.h"
#include "platform/ui/Window.h"

namespace fd = platform::foundation;

ClockDriver::ClockDriver(std::shared_ptr<fd::ManualClock> clock)
    : clock_(std::move(clock)), thread_([this] {
          while (!stop_.load()) {
              if (!paused_.load() && (keepRunning_.load() || clock_->waiterCount() > 0)) {
                  clock_->advance(std::chrono::milliseconds(5));
              }
              std::this_thread::sleep_for(std::chrono::microseconds(200));
          }
      }) {}

ClockDriver::~ClockDriver() {
    stop_ = true;
    thread_.join();
}

void ShellHarness::SetUp() {
    home_.emplace("tavro-shell");
    fd::UserDefaults::resetStandard();
    display_detail::forgetBuiltinScreen();
    DummyManager::discardDummies();
    platform::ui::Application::shared().reset();
    fd::setRunningApplications(nullptr);
    // The language switch lasts for the process; each test starts in Chinese.
    common::TavroLocalizationHelper::shared().setLanguage(
        common::TavroLocalizationHelper::Language::Chinese);

    scopedClock_ = std::make_unique<fd::ScopedClock>(clock_);
    driver_ = std::make_unique<ClockDriver>(clock_);

    platform::ui::Alert::setResponder([this](const platform::ui::Alert& alert) {
        std::lock_guard lock(alertMutex_);
        alerts_.push_back({alert.messageText(), alert.informativeText(), alert.buttonTitles()});
        return alertResponse_.load();
    });

    AppDelegate& d = delegate();
    d.init();
    shell::createPanels(d);  // afresh: the last test let go of them
    d.vxServer.set(std::make_shared<TavroVXServer>());
    d.window.set(nullptr);
    d.glassStatus = false;
    d.glassVersion.set("V-1.0");
    d.isDfuUpdate = false;
    d.isDfuUpdateStart = false;
    d.isAppOpen = false;
    d.isOpen3D = true;
    d.modelType = 0;
    d.depthValue = 0.01f;
    d.glassDisplayID = 0;
    d.builtinDisplayID = 0;
}

void ShellHarness::TearDown() {
    // As the quit does: no after-plug sequence outlives the test.
    shell::endPlugSequences();
    // Stop the monitor thread the way the application does, draining the main queue.
    if (auto server = shell::glassServer(delegate())) {
        std::atomic<bool> stopped{false};
        fd::globalQueue()->async([server, &stopped] {
            server->stopMonitoring();
            stopped = true;
        });
        while (!stopped.load()) runUntil([&] { return stopped.load(); }, 1);
    }
    for (auto& device : plugged_) mac_->unplugDevice(device);
    plugged_.clear();
    mac_.reset();
    runFor(10);  // lets pending timers and panel changes finish on this SimMac's clock
    platform::ui::Alert::setResponder(nullptr);
    driver_.reset();
    fd::MainLoop::drain();
    // The interface goes before the process's own end, where the drawing library may
    // already be gone.
    AppDelegate& d = delegate();
    d.window.set(nullptr);
    d.homeNewViewController.set(nullptr);
    d.homeStartViewController.set(nullptr);
    d.dfuUpdateViewController.set(nullptr);
    d.glassConnectSuccessViewController.set(nullptr);
    d.glassConnectSuccessPopoverViewController.set(nullptr);
    d.firstPopover.set(nullptr);
    if (auto item = d.statusItem.exchange(nullptr)) {
        platform::ui::StatusBar::system().removeStatusItem(item);
    }
    d.appUpdateView.set(nullptr);
    platform::ui::Application::shared().reset();
    DummyManager::discardDummies();
    scopedClock_.reset();
    TavroFMDBManager::shareManager().closeDatabase();
    fd::UserDefaults::resetStandard();
    home_.reset();
}

void ShellHarness::boot(const std::string& profile) {
    auto parsed = profile.starts_with("{") ? platform::sim::parseMachineProfile(profile)
                                           : platform::sim::machineProfileNamed(profile);
    ASSERT_TRUE(parsed) << profile;
    mac_.reset();
    mac_ = std::make_unique<platform::sim::SimMac>(std::move(parsed).value());
}

void ShellHarness::launch() {
    delegate().applicationWillFinishLaunching();
    delegate().applicationDidFinishLaunching();
}

std::shared_ptr<platform::sim::VirtualGlasses> ShellHarness::glasses(
    const std::string& version, platform::sim::VirtualGlassesConfig config) {
    config.firmwareVersion = version;
    return std::make_shared<platform::sim::VirtualGlasses>(std::move(config));
}

void ShellHarness::plug(const std::shared_ptr<platform::sim::VirtualHidDevice>& device) {
    plugged_.push_back(device);
    mac_->plugDevice(device);
}

void ShellHarness::unplug(const std::shared_ptr<platform::sim::VirtualHidDevice>& device) {
    std::erase(plugged_, device);
    mac_->unplugDevice(device);
}

bool ShellHarness::runUntil(const std::function<bool()>& done, double seconds) {
    // A held clock never reaches the timeout: real time bounds the wait then.
    const auto realDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    driver_->keepRunning(true);
    fd::MainLoop::runUntilSeconds(
        [&] { return done() || std::chrono::steady_clock::now() > realDeadline; }, seconds);
    driver_->keepRunning(false);
    return done();
}

void ShellHarness::runFor(double seconds) {
    driver_->resume();
    runUntil([] { return false; }, seconds);
}

void ShellHarness::advance(double seconds) {
    driver_->pause();
    clock_->advanceSeconds(seconds);
    // Give the woken threads a moment of real time, then run what they queued.
    for (int i = 0; i < 20; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        fd::MainLoop::drain();
    }
}

std::optional<shell::Panel> ShellHarness::shownPanel() {
    auto window = delegate().window.get();
    if (!window) return std::nullopt;
    for (auto panel : {shell::Panel::Home, shell::Panel::Start, shell::Panel::FirmwareUpdate,
                       shell::Panel::Connected}) {
        if (window->contentViewController() == shell::panelController(panel)) return panel;
    }
    return std::nullopt;
}

std::vector<std::pair<uint16_t, uint16_t>> ShellHarness::commandsOf(
    const std::shared_ptr<platform::sim::VirtualHidDevice>& device) {
    std::vector<std::pair<uint16_t, uint16_t>> commands;
    for (const auto& report : device->outputReports()) {
        const auto& b = report.bytes;
        if (b.size() < 12) continue;
        commands.emplace_back(static_cast<uint16_t>(b[8] | b[9] << 8),
                              static_cast<uint16_t>(b[10] | b[11] << 8));
    }
    return commands;
}

size_t ShellHarness::countOf(const std::vector<std::pair<uint16_t, uint16_t>>& commands,
                             uint16_t command, uint16_t subcommand) {
    return std::count(commands.begin(), commands.end(), std::make_pair(command, subcommand));
}

size_t ShellHarness::logLinesWith(const std::string& text) const {
    std::ifstream file(common::TavroLog::logFilePathWithLogName("3D-Halvane"));
    size_t count = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.find(text) != std::string::npos) ++count;
    }
    return count;
}

std::vector<ShownAlert> ShellHarness::alerts() const {
    std::lock_guard lock(alertMutex_);
    return alerts_;
}

std::vector<int64_t> ShellHarness::postedEvents() const {
    std::vector<int64_t> types;
    for (const auto& event : mac_->backend().receivedEvents()) {
        auto type = event.body.find("eventType");
        if (type != event.body.end()) types.push_back(type->second.asInt64());
    }
    std::sort(types.begin(), types.end());
    return types;
}

bool ShellHarness::awaitPostedEvents(size_t count) {
    return runUntil([&] { return postedEvents().size() >= count; }, 60);
}

std::vector<int64_t> ShellHarness::storedEvents() {
    std::promise<TavroFMDBManager::Rows> rows;
    TavroFMDBManager::shareManager().selectAll(
        [&](TavroFMDBManager::Rows all, int64_t, std::string) { rows.set_value(std::move(all)); });
    std::vector<int64_t> types;
    for (const auto& row : rows.get_future().get()) types.push_back(row.at("eventType").asInt64());
    return types;
}

float ShellHarness::builtinBrightness() {
    return common::builtinBrightness(delegate().builtinDisplayID.load());
}

bool ShellHarness::updateBegunWhenShown() {
    auto panel = delegate().dfuUpdateViewController.get();
    return panel && panel->isBeginUpdateDfu.load();
}
