#pragma once
// A display server with one built-in panel for the privacy-screen tests: it records every
// brightness write, can be told to read back 0 for its next reads (a panel that takes a
// moment to apply a write), and can lose its panel (lid closed). Thread-safe.

#include <mutex>
#include <vector>

#include "platform/screens/DisplayServer.h"

class BrightnessDisplayServer final : public platform::screens::DisplayServer {
  public:
    static constexpr platform::screens::DisplayId kPanel = 1;

    explicit BrightnessDisplayServer(float brightness) : brightness_(brightness) {}

    std::vector<float> writes() const {
        std::lock_guard lock(mutex_);
        return writes_;
    }
    size_t writeCount() const {
        std::lock_guard lock(mutex_);
        return writes_.size();
    }
    void setLaggingReads(int reads) {
        std::lock_guard lock(mutex_);
        pendingLag_ = reads;
    }
    void setPanelPresent(bool present) {
        std::lock_guard lock(mutex_);
        present_ = present;
    }

    std::vector<platform::screens::DisplayInfo> displays() const override {
        std::lock_guard lock(mutex_);
        if (!present_) return {};
        platform::screens::DisplayInfo panel;
        panel.id = kPanel;
        panel.name = "Built-in Retina Display";
        panel.builtin = true;
        panel.modes = {{1512, 982, 120}};
        return {panel};
    }
    platform::screens::DisplayError applyConfiguration(
        const std::vector<platform::screens::ConfigurationChange>&) override {
        return platform::screens::kDisplayFailure;
    }
    platform::screens::DisplayError setMode(platform::screens::DisplayId,
                                            const platform::screens::DisplayMode&) override {
        return platform::screens::kDisplayFailure;
    }
    bool supportsVirtualDisplays() const override { return false; }
    platform::screens::DisplayId reserveDisplayId() override { return 0; }
    bool addVirtualDisplay(platform::screens::DisplayId,
                           const platform::screens::VirtualDisplayTraits&) override {
        return false;
    }
    void removeVirtualDisplay(platform::screens::DisplayId) override {}
    std::optional<float> brightness(platform::screens::DisplayId display) const override {
        std::lock_guard lock(mutex_);
        if (!present_ || display != kPanel) return std::nullopt;
        if (pendingLag_ > 0) {
            --pendingLag_;
            return 0.0f;
        }
        return brightness_;
    }
    platform::screens::DisplayError setBrightness(platform::screens::DisplayId display,
                                                  float value) override {
        std::lock_guard lock(mutex_);
        if (!present_ || display != kPanel) return platform::screens::kDisplayIllegalArgument;
        writes_.push_back(value);
        brightness_ = value;
        return platform::screens::kDisplaySuccess;
    }
    std::optional<platform::foundation::ValueDictionary> sessionDictionary() const override {
        return std::nullopt;
    }
    platform::screens::DisplayError moveCursor(platform::screens::Point) override {
        return platform::screens::kDisplaySuccess;
    }

  private:
    mutable std::mutex mutex_;
    float brightness_;
    std::vector<float> writes_;
    mutable int pendingLag_ = 0;
    bool present_ = true;
};
