#pragma once
// The application shell on a simulated Mac: a private home (defaults, log), a manual clock
// that a driver thread moves on whenever some thread sleeps on it (and that a test can hold
// still to look at one moment), alerts answered and recorded, and the delegate's state
// afresh. Observers the delegate registers stay for the life of the process, as the
// application's do; CTest runs every test in a process of its own. Main thread.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "TAVRO_3D/AppDelegateShell.h"
#include "TAVRO_3D/ShellNeighbours.h"
#include "appstate/AppDelegate.h"
#include "platform/foundation/Clock.h"
#include "platform/sim/SimMac.h"
#include "platform/sim/VirtualGlasses.h"
#include "platform/ui/Alert.h"
#include "tests/support/TemporaryHome.h"

// Moves a manual clock on in small steps while any thread waits on it.
class ClockDriver {
  public:
    explicit ClockDriver(std::shared_ptr<platform::foundation::ManualClock> clock);
    ~ClockDriver();
    ClockDriver(const ClockDriver&) = delete;
    ClockDriver& operator=(const ClockDriver&) = delete;
    void pause() { paused_ = true; }
    void resume() { paused_ = false; }
    // While kept running, time also moves when nobody sleeps on the clock (a main loop
    // running until a clock-time timeout).
    void keepRunning(bool keep) { keepRunning_ = keep; }

  private:
    std::shared_ptr<platform::foundation::ManualClock> clock_;
    std::atomic<bool> paused_{false};
    std::atomic<bool> keepRunning_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct ShownAlert {
    std::string message;
    std::string informative;
    std::vector<std::string> buttons;
};

class ShellHarness : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    AppDelegate& delegate() { return AppDelegate::shared(); }
    // A simulated Mac from a shipped profile's name or from a profile's JSON.
    void boot(const std::string& profile);
    // applicationWillFinishLaunching then applicationDidFinishLaunching, as the entry does.
    void launch();

    static std::shared_ptr<platform::sim::VirtualGlasses> glasses(
        const std::string& version, platform::sim::VirtualGlassesConfig config =
                                        platform::sim::VirtualGlasses::secondGeneration());
    void plug(const std::shared_ptr<platform::sim::VirtualHidDevice>& device);
    void unplug(const std::shared_ptr<platform::sim::VirtualHidDevice>& device);

    // Runs the main loop until `done` or `seconds` of clock time (30 s of real time while
    // the clock is held).
    bool runUntil(const std::function<bool()>& done, double seconds = 120);
    // Lets the clock run and runs the main loop for `seconds` of clock time.
    void runFor(double seconds);
    // Holds the clock still and moves it by hand; hold() only holds it.
    void advance(double seconds);
    void hold() { driver_->pause(); }
    void release() { driver_->resume(); }

    // The firmware-update panel was told to start its update as soon as it shows.
    bool updateBegunWhenShown();
    // The panel the main window shows, if it is one of the delegate's.
    std::optional<shell::Panel> shownPanel();
    // (command, subcommand) of every report the device received, in order.
    static std::vector<std::pair<uint16_t, uint16_t>> commandsOf(
        const std::shared_ptr<platform::sim::VirtualHidDevice>& device);
    static size_t countOf(const std::vector<std::pair<uint16_t, uint16_t>>& commands,
                          uint16_t command, uint16_t subcommand);
    // The log file's lines that hold `text`.
    size_t logLinesWith(const std::string& text) const;

    // Types of the usage events the SimMac's backend received, sorted (they are posted
    // from a concurrent queue); awaitPostedEvents waits until there are `count`.
    std::vector<int64_t> postedEvents() const;
    bool awaitPostedEvents(size_t count);
    // Types of the events in the usage table, in the order they were stored.
    static std::vector<int64_t> storedEvents();

    // The built-in screen's brightness (0 without one).
    float builtinBrightness();

    std::vector<ShownAlert> alerts() const;
    void answerAlerts(int response) { alertResponse_ = response; }

    std::shared_ptr<platform::foundation::ManualClock> clock_ =
        std::make_shared<platform::foundation::ManualClock>();
    std::unique_ptr<platform::foundation::ScopedClock> scopedClock_;
    std::unique_ptr<ClockDriver> driver_;
    std::unique_ptr<platform::sim::SimMac> mac_;
    std::vector<std::shared_ptr<platform::sim::VirtualHidDevice>> plugged_;
    std::optional<test_support::TemporaryHome> home_;
    std::atomic<int> alertResponse_{platform::ui::kAlertSecondButtonReturn};
    mutable std::mutex alertMutex_;
    std::vector<ShownAlert> alerts_;
};
