#pragma once
// Shared set-up of the panel tests: a simulated Mac from a shipped profile, a manual clock,
// a clean application with the 420 x 620 main window in the delegate, the bundle's screens
// as a fixed list, and helpers to read looks and to wait for global-queue work.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "appstate/AppDelegate.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/screens/DisplayServices.h"
#include "platform/sim/MachineProfiles.h"
#include "platform/sim/SimMac.h"
#include "platform/ui/Application.h"
#include "platform/ui/Image.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/Waits.h"

namespace panel_testing {

namespace fd = platform::foundation;
namespace ui = platform::ui;
namespace sim = platform::sim;
namespace screens = platform::screens;

// Waits in real time for work of the global queues; the clock does not move.
inline bool eventually(const std::function<bool()>& done) {
    return test_support::drainUntil(done);
}

inline std::optional<ui::Color> hex(const char* text, double alpha = 1.0) {
    unsigned r = 0, g = 0, b = 0;
    std::sscanf(text, "#%02x%02x%02x", &r, &g, &b);
    return ui::Color::rgb(r / 255.0, g / 255.0, b / 255.0, alpha);
}

using test_support::NotificationRecorder;

class PanelTest : public ::testing::Test {
  protected:
    // `profile`: a shipped machine profile.
    void boot(const std::string& profile) {
        auto parsed = sim::machineProfileNamed(profile);
        ASSERT_TRUE(parsed);
        mac_ = std::make_unique<sim::SimMac>(std::move(parsed).value());
        ui::Image::clearCache();
        ui::Application::shared().reset();
        // The interface's screens are the machine's displays.
        std::vector<ui::Screen> list;
        for (const auto& display : mac_->displays().displays()) {
            ui::Screen screen;
            screen.displayId = display.id;
            screen.localizedName = display.name;
            screen.frame = {display.origin.x, -display.origin.y, double(display.mode().width),
                            double(display.mode().height)};
            screen.visibleFrame = screen.frame;
            list.push_back(screen);
            if (display.builtin) AppDelegate::shared().builtinDisplayID = display.id;
        }
        ui::setScreenSource(std::make_shared<ui::FixedScreenSource>(list));
        window_ = ui::Window::make({100, 100, 420, 620}, ui::WindowStyleTitled);
        window_->makeKeyAndOrderFront();
        AppDelegate::shared().window.set(window_);
        // The machine's own displays were announced as it came up; those are not the test's.
        fd::MainLoop::drain();
    }
    void TearDown() override {
        AppDelegate& delegate = AppDelegate::shared();
        delegate.restoreBuiltinBrightness();
        delegate.defaultBrightness = 0;
        delegate.builtinDisplayID = 0;
        delegate.window.set(nullptr);
        delegate.glassStatus = false;
        delegate.privacyScreenLockButtonState = 0;
        delegate.changeVolumeTime = 0;
        ui::Application::shared().reset();
        ui::setScreenSource(nullptr);
        fd::MainLoop::drain();
        mac_.reset();
        fd::MainLoop::drain();
    }

    std::shared_ptr<fd::ManualClock> clock_ = std::make_shared<fd::ManualClock>();
    fd::ScopedClock scoped_{clock_};
    std::unique_ptr<sim::SimMac> mac_;
    ui::WindowPtr window_;
};

}  // namespace panel_testing
