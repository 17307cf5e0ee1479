#pragma once
// What the shell's tests see of the neighbours that are not part of this test binary: the
// panels, the backend's usage reporting, the AI-3D mode, the brightness and volume duties
// and the update check are stood in for by recorders. Thread-safe.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace standins {

struct UsageEvent {
    int64_t type;
    bool stored;
    bool operator==(const UsageEvent&) const = default;
};

struct Record {
    std::vector<UsageEvent> events() const {
        std::lock_guard lock(mutex);
        return events_;
    }
    void addEvent(UsageEvent event) {
        std::lock_guard lock(mutex);
        events_.push_back(event);
    }
    std::atomic<int> dfuViewResets{0};
    std::atomic<int> updatesBegun{0};
    std::atomic<int> ai3dStops{0};
    std::atomic<int> brightnessRestores{0};
    std::atomic<int> usageTableWritesFinished{0};
    std::atomic<int> usageTablesCreated{0};
    std::atomic<int> storedUploads{0};
    std::atomic<int> appMonitorsStarted{0};
    std::atomic<int> updateChecks{0};

    mutable std::mutex mutex;
    std::vector<UsageEvent> events_;
};

Record& record();
void reset();

}  // namespace standins
