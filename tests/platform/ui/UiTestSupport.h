#pragma once
// Shared set-up of the user-interface tests: a manual clock, the test bundle, a clean
// application (no windows, monitors or responder) and helpers to click and drag.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/ui/Alert.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Application.h"
#include "platform/ui/Image.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

namespace platform::ui::testing {

// Whether each channel of `argb` (alpha too) lies within `tolerance` of `expected`'s.
inline bool near(uint32_t argb, uint32_t expected, int tolerance = 2) {
    return std::abs(redOf(argb) - redOf(expected)) <= tolerance &&
           std::abs(greenOf(argb) - greenOf(expected)) <= tolerance &&
           std::abs(blueOf(argb) - blueOf(expected)) <= tolerance &&
           std::abs(alphaOf(argb) - alphaOf(expected)) <= tolerance;
}

// A basic animation of `keyPath` over `duration` seconds.
inline std::shared_ptr<Animation> basic(std::string keyPath, std::optional<AnimatableValue> from,
                                        std::optional<AnimatableValue> to, double duration) {
    auto animation = Animation::basic(std::move(keyPath));
    animation->fromValue = from;
    animation->toValue = to;
    animation->duration = duration;
    return animation;
}

class UiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clock_ = std::make_shared<platform::foundation::ManualClock>();
        scopedClock_.emplace(clock_);
        platform::foundation::Bundle::setMainBundlePath(UI_TEST_DATA_DIR);
        Image::clearCache();
        Application::shared().reset();
        Alert::setResponder(nullptr);
        setScreenSource(nullptr);
    }
    void TearDown() override {
        Application::shared().reset();
        Alert::setResponder(nullptr);
        setScreenSource(nullptr);
        platform::foundation::MainLoop::drain();
        scopedClock_.reset();
        platform::foundation::Bundle::setMainBundlePath({});
        Image::clearCache();
    }
    // Moves the clock on and runs what became due on the main queue.
    void advance(double seconds) {
        clock_->advanceSeconds(seconds);
        platform::foundation::MainLoop::drain();
    }
    static void send(EventType type, const WindowPtr& window, Point at) {
        Application::shared().sendEvent(Event::mouse(type, at, window));
    }
    static void click(const WindowPtr& window, Point at) {
        send(EventType::LeftMouseDown, window, at);
        send(EventType::LeftMouseUp, window, at);
    }
    static void rightClick(const WindowPtr& window, Point at) {
        send(EventType::RightMouseDown, window, at);
        send(EventType::RightMouseUp, window, at);
    }
    std::shared_ptr<platform::foundation::ManualClock> clock_;
    std::optional<platform::foundation::ScopedClock> scopedClock_;
};

}  // namespace platform::ui::testing
