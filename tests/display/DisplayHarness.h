#pragma once
// A simulated Mac for the display tests: a machine from a shipped profile or from JSON, a
// private home (user defaults), a fast clock, and empty display state before and after each
// test. Main thread.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "appstate/AppDelegate.h"
#include "display/DummyManager.h"
#include "display/ScreenRecognition.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/screens/DisplayServices.h"
#include "platform/screens/Screen.h"
#include "platform/sim/MachineProfiles.h"
#include "platform/sim/SimMac.h"
#include "tests/support/InstalledSimMac.h"
#include "tests/support/TemporaryHome.h"

namespace fdn = platform::foundation;
namespace screens = platform::screens;

class DisplayHarness : public ::testing::Test {
  protected:
    void SetUp() override {
        fdn::UserDefaults::resetStandard();
        DummyManager::discardDummies();
    }
    void TearDown() override {
        DummyManager::discardDummies();
        shutDown();
        AppDelegate::shared().glassStatus = false;
        AppDelegate::shared().modelType = 0;
        fdn::UserDefaults::resetStandard();
    }
    // A fresh machine: a shipped one by name or one described in JSON.
    platform::sim::SimMac& boot(const std::string& machine) {
        auto profile = machine.starts_with("{") ? platform::sim::parseMachineProfile(machine)
                                                : platform::sim::machineProfileNamed(machine);
        EXPECT_TRUE(profile) << machine;
        shutDown();  // one simulated Mac at a time
        display_detail::forgetBuiltinScreen();
        mac_.boot(std::move(profile).value(), home_.path());
        return *mac_;
    }
    // Second-generation glasses on the bus; their display comes up with them.
    uint32_t plugGlasses() {
        mac_->plugDevice(glasses_ = platform::sim::SimMac::makeDevice({}));
        for (const auto& display : mac_->displays().displays())
            if (display.name == "TAVRO Glass") return display.id;
        return 0;
    }
    screens::DisplayInfo info(uint32_t id) const {
        for (const auto& display : mac_->displays().displays())
            if (display.id == id) return display;
        return {};
    }
    static std::vector<std::string> screenNames() {
        std::vector<std::string> names;
        for (const auto& screen : screens::screens()) names.push_back(screen.localizedName);
        return names;
    }
    // The seconds `call` takes on the platform clock.
    static double secondsTaken(const std::function<void()>& call) {
        const auto before = fdn::Clock::current().now();
        call();
        return fdn::Clock::toSeconds(fdn::Clock::current().now() - before);
    }
    // Waits spent on the platform clock pass a thousand times faster.
    fdn::ScopedClock clock_{std::make_shared<fdn::RealClock>(1000.0)};
    test_support::InstalledSimMac mac_;
    std::shared_ptr<platform::sim::VirtualHidDevice> glasses_;
    test_support::TemporaryHome home_{"tavro-display"};

  private:
    void shutDown() {
        if (glasses_) mac_->unplugDevice(std::exchange(glasses_, nullptr));
        mac_.reset();
        fdn::MainLoop::drain();
    }
};

// A desktop Mac with one external display and no built-in panel.
inline std::string desktopWith(const std::string& externalName) {
    return R"({"model": "Mac13,1", "externalDisplays": [{"name": ")" + externalName +
           R"(", "vendorId": 7789, "productId": 1234, "serial": 55,
              "modes": [{"width": 2560, "height": 1440, "refreshRate": 60}]}]})";
}
