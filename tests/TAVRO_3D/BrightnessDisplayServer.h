#pragma once
// A display server with one built-in panel for the privacy-screen tests: it records every
// brightness write, can be told to read back 0 for its next reads (a panel that takes a
// moment to apply a write), and can lose its panel (lid closed). Thread-safe.

#include <mutex>
#include <vector>

#include "platform/screens/DisplayServer.h"

namespace brightness_testing {

namespace screens = platform::screens;

class BrightnessDisplayServer final : public screens::DisplayServer {
    template <class F>
    auto locked(F read) const {
        std::lock_guard lock(mutex_);
        return read();
    }

  public:
    static constexpr screens::DisplayId kPanel = 1;
    explicit BrightnessDisplayServer(float brightness) : brightness_(brightness) {}

    std::vector<float> writes() const {
        return locked([&] { return writes_; });
    }
    size_t writeCount() const { return writes().size(); }
    void setLaggingReads(int reads) {
        locked([&] { return pendingLag_ = reads; });
    }
    void setPanelPresent(bool present) {
        locked([&] { return present_ = present; });
    }

    std::vector<screens::DisplayInfo> displays() const override {
        screens::DisplayInfo panel;
        panel.id = kPanel;
        panel.name = "Built-in Retina Display";
        panel.builtin = true;
        panel.modes = {{1512, 982, 120}};
        return locked([&] { return present_; }) ? std::vector{panel}
                                                : std::vector<screens::DisplayInfo>{};
    }
    screens::DisplayError applyConfiguration(
        const std::vector<screens::ConfigurationChange>&) override {
        return screens::kDisplayFailure;
    }
    screens::DisplayError setMode(screens::DisplayId, const screens::DisplayMode&) override {
        return screens::kDisplayFailure;
    }
    bool supportsVirtualDisplays() const override { return false; }
    screens::DisplayId reserveDisplayId() override { return 0; }
    bool addVirtualDisplay(screens::DisplayId, const screens::VirtualDisplayTraits&) override {
        return false;
    }
    void removeVirtualDisplay(screens::DisplayId) override {}
    std::optional<float> brightness(screens::DisplayId display) const override {
        std::lock_guard lock(mutex_);
        if (!present_ || display != kPanel) return std::nullopt;
        return pendingLag_ > 0 ? (--pendingLag_, 0.0f) : brightness_;
    }
    screens::DisplayError setBrightness(screens::DisplayId display, float value) override {
        std::lock_guard lock(mutex_);
        if (!present_ || display != kPanel) return screens::kDisplayIllegalArgument;
        writes_.push_back(value);
        brightness_ = value;
        return screens::kDisplaySuccess;
    }
    std::optional<platform::foundation::ValueDictionary> sessionDictionary() const override {
        return std::nullopt;
    }
    screens::DisplayError moveCursor(screens::Point) override { return screens::kDisplaySuccess; }

  private:
    mutable std::mutex mutex_;
    float brightness_;
    std::vector<float> writes_;
    mutable int pendingLag_ = 0;
    bool present_ = true;
};

}  // namespace brightness_testing

using brightness_testing::BrightnessDisplayServer;
