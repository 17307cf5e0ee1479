#pragma once
// Shared set-up of the connected, firmware-update and calibration tests: a manual clock, a clean
// application and delegate, the panels' stored defaults removed, the interface in Chinese with the
// "zh_CN" locale, a 420 x 620 window to show a panel in, a record of the change-value messages, and
// helpers that click and drag on a view the way the mouse would.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "appstate/AppDelegate.h"
#include "common/Bundle.h"
#include "common/TavroLocalizationHelper.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Application.h"
#include "platform/ui/Image.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "tests/support/NotificationRecorder.h"

namespace panel_fixture {

namespace ui = platform::ui;
namespace fdn = platform::foundation;

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
    void SetUp() override {
        clock_ = std::make_shared<fdn::ManualClock>();
        scopedClock_.emplace(clock_);
        ui::Image::clearCache();
        ui::Application::shared().reset();
        resetDelegate();
        auto& defaults = fdn::UserDefaults::standard();
        for (const char* key : {"depthScaleValue_UserDefault", "ScreenModeUserDefaultsKey",
                                "privacyScreenLockState_UserDefault"})
            defaults.removeObjectForKey(key);
        languageBefore_ = common::TavroLocalizationHelper::shared().language();
        setLanguage(common::TavroLocalizationHelper::Language::Chinese);
        setLocale("zh_CN");
    }
    void TearDown() override {
        ui::Application::shared().reset();
        fdn::MainLoop::drain();
        window_.reset();
        resetDelegate();
        fdn::clearMachineValues();
        // Other tests of this binary read the interface as they found it: the bundle's own
        // lookup by the machine's preferred languages.
        common::TavroLocalizationHelper::shared().setLanguage(languageBefore_);
        fdn::Bundle::main().setLookupRoute({});
        scopedClock_.reset();
    }

    static void resetDelegate() {
        AppDelegate& delegate = AppDelegate::shared();
        delegate.depthValue = 0.01f;
        delegate.modelType = 0;
        delegate.privacyScreenLockButtonState = 0;
        delegate.glassStatus = false;
        delegate.isDfuUpdateStart = false;
        delegate.isDfuUpdate = false;
        delegate.glassVersion.set({});
        delegate.vxServer.set(nullptr);
        delegate.depthManager.set(nullptr);
        delegate.firstPopover.set(nullptr);
    }

    // Puts the controller's view into a window of its size, in front and key.
    void show(const std::shared_ptr<ui::ViewController>& controller) {
        const ui::Rect frame = controller->view()->frame();
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
        ui::Application::shared().sendEvent(
            ui::Event::mouse(ui::EventType::LeftMouseDown, at, window));
        ui::Application::shared().sendEvent(
            ui::Event::mouse(ui::EventType::LeftMouseUp, at, window));
    }

    std::shared_ptr<fdn::ManualClock> clock_;
    std::optional<fdn::ScopedClock> scopedClock_;
    ui::WindowPtr window_;
    common::TavroLocalizationHelper::Language languageBefore_{};
};

}  // namespace panel_fixture
