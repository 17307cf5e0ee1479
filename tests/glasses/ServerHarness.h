#pragma once
// A glasses control server on a simulated Mac: the server's monitor thread watches the
// simulated bus, the clock runs fast so that the resolution switch's delays pass quickly,
// and the shared state starts afresh.
// Main thread.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "appstate/AppDelegate.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sim/MachineProfiles.h"
#include "platform/sim/SimMac.h"
#include "platform/sim/VirtualGlasses.h"
#include "tests/support/NotificationRecorder.h"

using test_support::NotificationRecorder;

class ServerHarness : public ::testing::Test {
  protected:
    void SetUp() override {
        // The glasses screen stands beside the built-in one, so that it can change modes.
        auto profile = platform::sim::parseMachineProfile(R"({
            "model": "MacBookPro18,3", "cpuBrand": "Apple M1 Pro", "locale": "zh_CN",
            "builtinDisplay": {"name": "Built-in Retina Display", "vendorId": 1552,
                               "productId": 41240, "serial": 0,
                               "modes": [{"width": 1512, "height": 982, "refreshRate": 120}]},
            "glassesDisplay": "extended"})");
        ASSERT_TRUE(profile);
        mac_ = std::make_unique<platform::sim::SimMac>(std::move(profile).value());
        platform::foundation::UserDefaults::standard().removeObjectForKey(kImmersionDefaultsKey);
        resetDelegate();
        server_ = std::make_unique<TavroVXServer>();
    }

    void TearDown() override {
        server_.reset();
        for (auto& device : plugged_) mac_->unplugDevice(device);
        mac_.reset();
        platform::foundation::MainLoop::drain();
        resetDelegate();
    }

    static void resetDelegate() {
        AppDelegate& delegate = AppDelegate::shared();
        delegate.glassStatus = false;
        delegate.glassVersion.set({});
        delegate.isCPUARM = true;
        delegate.isCloseIMU = false;
    }

    std::shared_ptr<platform::sim::VirtualGlasses> makeGlasses(
        platform::sim::VirtualGlassesConfig config) {
        return std::make_shared<platform::sim::VirtualGlasses>(std::move(config));
    }

    // Plugs a device and waits for the server to hear of it through `log`.
    void plugAndAwait(const std::shared_ptr<platform::sim::VirtualHidDevice>& device,
                      NotificationRecorder& log) {
        const size_t before = log.size();
        plugged_.push_back(device);
        mac_->plugDevice(device);
        ASSERT_TRUE(log.awaitCount(before + 1));
    }
    void unplugAndAwait(const std::shared_ptr<platform::sim::VirtualHidDevice>& device,
                        NotificationRecorder& log) {
        const size_t before = log.size();
        std::erase(plugged_, device);
        mac_->unplugDevice(device);
        ASSERT_TRUE(log.awaitCount(before + 1));
    }

    // Runs the main loop until `done` (clock time; the clock runs fast).
    static bool runUntil(const std::function<bool()>& done, double seconds = 30) {
        return platform::foundation::MainLoop::runUntilSeconds(done, seconds);
    }

    platform::foundation::ScopedClock clock_{
        std::make_shared<platform::foundation::RealClock>(20.0)};
    std::unique_ptr<platform::sim::SimMac> mac_;
    std::unique_ptr<TavroVXServer> server_;
    std::vector<std::shared_ptr<platform::sim::VirtualHidDevice>> plugged_;
};
