#pragma once
// The AI-3D mode on a simulated Mac whose glasses screen comes up extended: a manual
// clock, a private home, the shared state afresh, a log of the start results, and helpers
// that move the clock on while the main queue and the pipeline's threads catch up. Shared by
// the AI-3D tests and the display folder's sleep and wake tests; header only, so that only
// its users link the AI-3D library (and the factory, `backends`). Main thread.

#include <gtest/gtest.h>

#include "appstate/AppDelegate.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sim/MachineProfiles.h"
#include "platform/sim/SimMac.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "stereo3d/TavroDepth3DViewController.h"
#include "stereo3d/TavroDepthCustomManager.h"
#include "tests/support/InstalledSimMac.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/TemporaryHome.h"
#include "tests/support/Waits.h"

class AI3DHarness : public ::testing::Test {
  protected:
    void SetUp() override { resetSharedState(); }
    void TearDown() override {
        TavroDepthCustomManager::shared().stopAI3D();
        advance(1.0);
        platform::ui::Application::shared().reset();
        if (glasses_) mac_->unplugDevice(glasses_);
        mac_.reset();
        platform::foundation::MainLoop::drain();
        resetSharedState();
    }
    static void resetSharedState() {
        platform::foundation::UserDefaults::resetStandard();
        AppDelegate& delegate = AppDelegate::shared();
        delegate.glassStatus = false;
        delegate.depthValue = 0.01f;
        delegate.modelType = 0;
        delegate.window.set(nullptr);
        // As the delegate's init leaves it: a glasses server, not started.
        delegate.vxServer.set(std::make_shared<TavroVXServer>());
        delegate.depthManager.set(nullptr);
    }

    // A shipped machine whose glasses screen comes up extended.
    platform::sim::SimMac& boot(const std::string& name = "macbook") {
        auto profile = platform::sim::machineProfileNamed(name);
        EXPECT_TRUE(profile) << name;
        profile->displays.glassesMirrored = false;
        mac_.boot(std::move(profile).value(), home_.path());
        return *mac_;
    }

    // Glasses on the bus (their screen comes up) and the delegate told so.
    void plugGlasses() {
        glasses_ = platform::sim::SimMac::makeDevice({});
        mac_->plugDevice(glasses_);
        AppDelegate::shared().glassStatus = true;
    }

    std::vector<int64_t> results() const { return results_.numbers(); }

    // Runs the main queue (real time, 5 s at most) until `done`.
    static bool waitFor(const std::function<bool()>& done, double seconds = 5) {
        return test_support::drainUntil(done, seconds);
    }
    // Lets the other threads run for a moment, for checks that something did not happen.
    static void settle() {
        waitFor([] { return false; }, 0.05);
    }

    // Moves the clock on in steps of at most `step`, running the main queue after each.
    void advance(double seconds, double step = 0.05) {
        test_support::advanceInSteps(*clock_, seconds, step);
        settle();
    }

    // Moves the clock on one capture frame at a time until `done`.
    bool advanceUntil(const std::function<bool()>& done, int frames = 200) {
        for (int i = 0; i < frames; ++i) {
            if (waitFor(done, 0.02)) return true;
            clock_->advanceSeconds(1.0 / TavroDepth3DViewController::kCaptureFramesPerSecond);
        }
        return waitFor(done, 1);
    }

    std::shared_ptr<platform::foundation::ManualClock> clock_ =
        std::make_shared<platform::foundation::ManualClock>();
    platform::foundation::ScopedClock scopedClock_{clock_};
    test_support::TemporaryHome home_{"tavro-ai3d"};
    test_support::InstalledSimMac mac_;
    std::shared_ptr<platform::sim::VirtualHidDevice> glasses_;
    test_support::NotificationRecorder results_{{kGlassDisplayStatusSuccessOrErrorNotification}};
};
