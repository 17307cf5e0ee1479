#pragma once
// What the virtual device tests share: frames written out as the wire carries them, a
// recorder of every input report a device sends, and a pump that moves a manual clock
// until a condition holds.

#include <chrono>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/foundation/Clock.h"
#include "platform/hid/BusDevice.h"
#include "tests/support/Waits.h"

using Bytes = std::vector<uint8_t>;
using Replies = std::vector<Bytes>;

using Runs = std::initializer_list<std::pair<size_t, Bytes>>;

// The bytes with the runs written over them at their offsets.
inline Bytes overlay(Bytes bytes, Runs runs) {
    for (const auto& [offset, run] : runs)
        std::copy(run.begin(), run.end(), bytes.begin() + offset);
    return bytes;
}
// `size` zero bytes but for the runs.
inline Bytes frame(size_t size, Runs runs) {
    return overlay(Bytes(size, 0), runs);
}

inline Bytes text(std::string_view characters) {
    return {characters.begin(), characters.end()};
}

inline Bytes firstBytes(Bytes bytes, size_t count) {
    bytes.resize(count);
    return bytes;
}

// Input reports arrive on the sender's thread: synchronous for replies to commands.
class InputRecorder {
  public:
    explicit InputRecorder(platform::hid::BusDevice& device) : device_(device) {
        listener_ = device.addInputListener([this](uint8_t, std::span<const uint8_t> report) {
            std::lock_guard lock(mutex_);
            reports_.emplace_back(report.begin(), report.end());
        });
    }
    ~InputRecorder() { device_.removeInputListener(listener_); }
    // The reports received since the last call.
    std::vector<Bytes> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(reports_, {});
    }
    size_t count() {
        std::lock_guard lock(mutex_);
        return reports_.size();
    }

  private:
    platform::hid::BusDevice& device_;
    uint64_t listener_ = 0;
    std::mutex mutex_;
    std::vector<Bytes> reports_;
};

// Waits until `done` holds, which another thread brings about (false after 5 s).
inline bool eventually(const std::function<bool()>& done) {
    return test_support::waitUntil(done);
}

// The same, advancing the clock by `step` whenever a thread sleeps on it.
inline bool pumpUntil(platform::foundation::ManualClock& clock, double step,
                      const std::function<bool()>& done) {
    return eventually([&] {
        if (done()) return true;
        if (clock.waiterCount() > 0) clock.advanceSeconds(step);
        return false;
    });
}
