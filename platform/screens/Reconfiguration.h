#pragma once
// Display reconfiguration callbacks: a callback registered here is told of every display
// that was added, removed, given a new mode or made the main display, with the platform's
// flag values. Callbacks run on the main thread (through the main queue), one change at a
// time and in order. Registration is thread-safe.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/screens/DisplayTypes.h"

namespace platform::screens {

using ReconfigurationCallback = std::function<void(DisplayId display, uint32_t flags)>;

uint64_t registerReconfigurationCallback(ReconfigurationCallback callback);
void removeReconfigurationCallback(uint64_t token);

// For display servers: compares two snapshots and queues the callbacks for the main thread.
void announceReconfiguration(const std::vector<DisplayInfo>& before,
                             const std::vector<DisplayInfo>& after);

}  // namespace platform::screens
