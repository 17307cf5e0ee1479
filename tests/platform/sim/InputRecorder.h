#pragma once
// A recorder of every input report a bus device sends. Input reports arrive on the
// sender's thread: synchronous for replies to commands.

#include <mutex>
#include <span>
#include <utility>
#include <vector>

#include "platform/hid/BusDevice.h"
#include "tests/support/DeviceBytes.h"

class InputRecorder {
  public:
    explicit InputRecorder(platform::hid::BusDevice& device) {
        listener_ = device.addInputListener([this](uint8_t, std::span<const uint8_t> report) {
            std::lock_guard lock(mutex_);
            reports_.emplace_back(report.begin(), report.end());
        });
    }
    // The reports received since the last call.
    std::vector<test_support::Bytes> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(reports_, {});
    }
    size_t count() {
        std::lock_guard lock(mutex_);
        return reports_.size();
    }

  private:
    std::mutex mutex_;
    std::vector<test_support::Bytes> reports_;
    platform::foundation::Subscription listener_;  // last: it goes before what it fills
};
