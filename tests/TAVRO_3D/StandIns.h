#pragma once
// What the shell's tests see of the neighbours that are not built yet: the panels and the
// delegate's brightness and volume duties are stood in for by recorders. Thread-safe.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace standins {

struct Record {
    std::atomic<int> dfuViewResets{0};
    std::atomic<int> updatesBegun{0};
    std::atomic<int> brightnessRestores{0};
};

Record& record();
void reset();

}  // namespace standins
