#pragma once
// A simulated Mac for the display tests: a machine from a shipped profile or from JSON, a
// private home (user defaults), a fast clock, and empty display state before and after each
// test. Main thread.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "appstate/AppDelegate.h"
#include "display/DummyManager.h"
#include "display/ScreenRecognition.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/screens/DisplayServices.h"
#include "platform/screens/Screen.h"
#include "platform/sim/MachineProfiles.h"
#include "platform/sim/SimMac.h"
#include "tests/support/TemporaryHome.h"

class DisplayHarness : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::foundation::UserDefaults::resetStandard();
        display_detail::forgetBuiltinScreen();
        DummyManager::discardDummies();
    }

    void TearDown() override {
        DummyManager::discardDummies();
        if (glasses_) mac_->unplugDevice(glasses_);
        mac_.reset();
        platform::foundation::MainLoop::drain();
        AppDelegate::shared().glassStatus = false;
        AppDelegate::shared().modelType = 0;
        platform::foundation::UserDefaults::resetStandard();
    }

    // A shipped machine by name, or one described in JSON.
    platform::sim::SimMac& boot(const std::string& machine) {
        auto profile = machine.starts_with("{") ? platform::sim::parseMachineProfile(machine)
                                                : platform::sim::machineProfileNamed(machine);
        EXPECT_TRUE(profile) << machine;
        return bootProfile(profile.value());
    }

    platform::sim::SimMac& bootProfile(platform::sim::MachineProfile profile) {
        mac_.reset();  // one simulated Mac at a time
        mac_ = std::make_unique<platform::sim::SimMac>(std::move(profile));
        return *mac_;
    }

    // Second-generation glasses on the bus; their display comes up with them.
    uint32_t plugGlasses() {
        glasses_ = platform::sim::SimMac::makeDevice({});
        mac_->plugDevice(glasses_);
        for (const auto& display : mac_->displays().displays()) {
            if (display.name == "TAVRO Glass") return display.id;
        }
        return 0;
    }

    void unplugGlasses() {
        mac_->unplugDevice(glasses_);
        glasses_.reset();
    }

    platform::screens::DisplayInfo info(uint32_t id) const {
        for (const auto& display : mac_->displays().displays()) {
            if (display.id == id) return display;
        }
        return {};
    }

    std::vector<std::string> screenNames() const {
        std::vector<std::string> names;
        for (const auto& screen : platform::screens::screens()) {
            names.push_back(screen.localizedName);
        }
        return names;
    }

    double clockSeconds() const {
        return platform::foundation::Clock::toSeconds(
            platform::foundation::Clock::current().now().time_since_epoch());
    }

    // Waits spent on the platform clock pass a thousand times faster.
    platform::foundation::ScopedClock clock_{
        std::make_shared<platform::foundation::RealClock>(1000.0)};
    std::unique_ptr<platform::sim::SimMac> mac_;
    std::shared_ptr<platform::sim::VirtualHidDevice> glasses_;
    test_support::TemporaryHome home_{"tavro-display"};
};

// A desktop Mac with one external display and no built-in panel.
inline std::string desktopWith(const std::string& externalName) {
    return R"({"model": "Mac13,1", "externalDisplays": [{"name": ")" + externalName +
           R"(", "vendorId": 7789, "productId": 1234, "serial": 55,
              "modes": [{"width": 2560, "height": 1440, "refreshRate": 60}]}]})";
}
