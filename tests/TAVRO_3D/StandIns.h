#pragma once
// What the shell's tests see of the panels, which are stood in for until all are built:
// what was asked of them is counted. Thread-safe.

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
};

Record& record();
void reset();

}  // namespace standins
