#pragma once
// Shared set-up of the widget tests: a manual clock, a clean application, and a 420 x 620
// key window whose content counts the clicks that reach it.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/ui/Application.h"
#include "platform/ui/Image.h"
#include "platform/ui/Layer.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/Waits.h"

namespace widget_testing {

namespace ui = platform::ui;
namespace fd = platform::foundation;
using test_support::NotificationRecorder;

class ClickCountingView : public ui::View {
  public:
    using View::View;
    void mouseDown(const ui::Event&) override { ++clicks; }
    int clicks = 0;
};

class WidgetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ui::Image::clearCache();
        ui::Application::shared().reset();
        window_ = ui::Window::make({100, 100, 420, 620}, ui::WindowStyleTitled);
        window_->setContentView(content_);
        window_->makeKeyAndOrderFront();
    }
    void TearDown() override {
        advance(10);  // lets every fade and delayed hide end
        ui::Application::shared().reset();
        fd::MainLoop::drain();
    }
    // Moves the clock on in animation-sized steps and runs what became due.
    void advance(double seconds) { test_support::advanceInSteps(*clock_, seconds, 1.0 / 60); }
    void click(ui::Point at) {
        for (auto type : {ui::EventType::LeftMouseDown, ui::EventType::LeftMouseUp})
            ui::Application::shared().sendEvent(ui::Event::mouse(type, at, window_));
    }
    static double shownOpacity(const ui::Layer& layer) {
        return std::get<double>(*layer.presentationValue("opacity"));
    }
    std::shared_ptr<fd::ManualClock> clock_ = std::make_shared<fd::ManualClock>();
    fd::ScopedClock scopedClock_{clock_};
    ui::WindowPtr window_;
    std::shared_ptr<ClickCountingView> content_ =
        std::make_shared<ClickCountingView>(ui::Rect{0, 0, 420, 620});
};

}  // namespace widget_testing
