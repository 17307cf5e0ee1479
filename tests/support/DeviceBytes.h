#pragma once
// Bytes on a device's wire for tests that assert them: frames written out as the wire
// carries them (zero but for runs of given bytes at given offsets), and a recorder of every
// input report a bus device sends.

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/hid/BusDevice.h"

namespace test_support {

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
    explicit InputRecorder(platform::hid::BusDevice& device) {
        listener_ = device.addInputListener([this](uint8_t, std::span<const uint8_t> report) {
            std::lock_guard lock(mutex_);
            reports_.emplace_back(report.begin(), report.end());
        });
    }
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
    std::mutex mutex_;
    std::vector<Bytes> reports_;
    platform::foundation::Subscription listener_;  // last: it goes before what it fills
};

}  // namespace test_support
