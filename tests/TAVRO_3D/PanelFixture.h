#pragma once
// Shared set-up of the panel tests: a manual clock, the interface in Chinese with the
// "zh_CN" locale, a window to show a panel in, and, for the panels that look at the
// machine, a simulated Mac from a shipped profile whose displays are the interface's
// screens. Main thread.

#include <gtest/gtest.h>

#include "appstate/AppDelegate.h"
#include "common/Bundle.h"
#include "common/TavroLocalizationHelper.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sim/MachineProfiles.h"
#include "platform/sim/SimMac.h"
#include "platform/ui/Application.h"
#include "platform/ui/Image.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "tests/support/InstalledSimMac.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/Waits.h"

namespace panel_fixture {

namespace ui = platform::ui;
namespace fdn = platform::foundation;
namespace screens = platform::screens;
using test_support::NotificationRecorder;

inline void setLanguage(common::TavroLocalizationHelper::Language language) {
    common::Bundle::installOnMainBundle();
    common::TavroLocalizationHelper::shared().setLanguage(language);
}

inline void setLocale(const std::string& locale) {
    fdn::MachineValues values;
    values.appleLocale = locale;
    fdn::setMachineValues(values);
}

class PanelFixture : public ::testing::Test {
  protected:
    // Each test runs in a process of its own: the delegate and the defaults start afresh.
    void SetUp() override {
        setLanguage(common::TavroLocalizationHelper::Language::Chinese);
        setLocale("zh_CN");
        // As the delegate's init leaves it: a glasses server, not started.
        AppDelegate::shared().vxServer.set(std::make_shared<TavroVXServer>());
    }
    void TearDown() override {
        AppDelegate::shared().restoreBuiltinBrightness();
        ui::Application::shared().reset();
        ui::setScreenSource(nullptr);
        fdn::MainLoop::drain();
        window_.reset();
        AppDelegate& d = AppDelegate::shared();
        d.builtinDisplayID = 0;
        const auto drop = [](auto&... held) { (held.set(nullptr), ...); };
        drop(d.window, d.vxServer, d.depthManager, d.firstPopover);
        mac_.reset();
        fdn::MainLoop::drain();
        fdn::clearMachineValues();
    }

    // A simulated Mac from a shipped profile, its displays the interface's screens, and a
    // 420 x 620 main window in the delegate.
    void boot(const std::string& profile) {
        mac_.reset();
        auto parsed = platform::sim::machineProfileNamed(profile);
        ASSERT_TRUE(parsed);
        mac_.boot(std::move(parsed).value(), fdn::homeDirectory());
        std::vector<ui::Screen> list;
        for (const auto& display : mac_->displays().displays()) {
            const ui::Rect frame{display.origin.x, -display.origin.y, double(display.mode().width),
                                 double(display.mode().height)};
            list.push_back({display.id, display.name, frame, frame, 1.0});
            if (display.builtin) AppDelegate::shared().builtinDisplayID = display.id;
        }
        ui::setScreenSource(std::make_shared<ui::FixedScreenSource>(list));
        window_ = ui::Window::make({100, 100, 420, 620}, ui::WindowStyleTitled);
        window_->makeKeyAndOrderFront();
        AppDelegate::shared().window.set(window_);
        // The machine's own displays were announced as it came up; those are not the test's.
        fdn::MainLoop::drain();
    }

    // The controller in the main window (made by boot), its view loaded.
    template <class Controller>
    std::shared_ptr<Controller> load(std::shared_ptr<Controller> controller) {
        window_->setContentViewController(controller);
        EXPECT_FALSE(controller->loadError()) << controller->loadError()->localizedDescription;
        return controller;
    }
    // Puts the controller's view into a window of its size, in front and key.
    void show(const std::shared_ptr<ui::ViewController>& controller) {
        const ui::Rect frame = controller->view()->frame();
        EXPECT_FALSE(controller->loadError()) << controller->loadError()->localizedDescription;
        window_ = ui::Window::make({100, 100, frame.size.width, frame.size.height},
                                   ui::WindowStyleTitled);
        window_->setContentViewController(controller);
        window_->makeKeyAndOrderFront();
    }

    // A point of `view` in its window.
    static ui::Point inWindow(const ui::View& view, ui::Point point) {
        return view.convertPointToView(point, nullptr);
    }
    void send(ui::EventType type, ui::Point pointInWindow) {
        ui::Application::shared().sendEvent(ui::Event::mouse(type, pointInWindow, window_));
    }
    // A click at `x` on the vertical middle of `view`, in the window that shows it.
    static void clickAt(const ui::View& view, double x) {
        ui::WindowPtr window;
        for (const auto& candidate : ui::Application::shared().orderedWindows())
            if (candidate.get() == view.window()) window = candidate;
        ASSERT_TRUE(window) << "the view is in no window";
        const ui::Point at = inWindow(view, {x, view.bounds().size.height / 2});
        for (auto type : {ui::EventType::LeftMouseDown, ui::EventType::LeftMouseUp})
            ui::Application::shared().sendEvent(ui::Event::mouse(type, at, window));
    }

    std::shared_ptr<fdn::ManualClock> clock_ = std::make_shared<fdn::ManualClock>();
    std::optional<fdn::ScopedClock> scopedClock_{clock_};
    test_support::InstalledSimMac mac_;
    ui::WindowPtr window_;
};

}  // namespace panel_fixture
