#pragma once
// A SimMac whose parts are the platform's backends, installed through the run's factory as
// the application's start installs them; building a SimMac alone changes nothing of the
// process. Header only, so that only its users link the factory (declare `backends`).
// Main thread.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/backends/PlatformBackends.h"
#include "tests/support/TemporaryHome.h"

namespace test_support {

class InstalledSimMac {
  public:
    InstalledSimMac() = default;
    explicit InstalledSimMac(platform::sim::MachineProfile profile, std::string home = {}) {
        boot(std::move(profile), std::move(home));
    }
    InstalledSimMac(const InstalledSimMac&) = delete;
    InstalledSimMac& operator=(const InstalledSimMac&) = delete;

    // Takes down the SimMac before (if any) and installs one of `profile`, with `home` as
    // the home folder (the test's own; empty: a scratch home that goes with the SimMac).
    void boot(platform::sim::MachineProfile profile, std::string home = {}) {
        reset();
        if (home.empty()) home = scratch_.emplace("tavro-simmac").path();
        platform::backends::BackendChoice choice;
        choice.profile = std::move(profile);
        choice.homeFolder = std::move(home);
        auto installed = platform::backends::PlatformBackends::install(std::move(choice));
        ASSERT_TRUE(installed) << installed.error().localizedDescription;
        backends_ = std::move(installed).value();
    }
    // Takes the SimMac and its backends down.
    void reset() {
        backends_.reset();
        scratch_.reset();
    }

    explicit operator bool() const { return backends_ != nullptr; }
    platform::sim::SimMac& operator*() const { return *backends_->mac(); }
    platform::sim::SimMac* operator->() const { return backends_->mac(); }
    platform::backends::PlatformBackends& backends() const { return *backends_; }

  private:
    std::optional<TemporaryHome> scratch_;
    std::unique_ptr<platform::backends::PlatformBackends> backends_;
};

}  // namespace test_support
