#pragma once
// Runs one body on several threads at once, for tests of shared use. Any thread.

#include <functional>
#include <thread>
#include <vector>

namespace test_support {

// Calls body(0) .. body(count - 1), each on a thread of its own, and returns once all ended.
inline void onThreads(int count, const std::function<void(int)>& body) {
    std::vector<std::thread> threads;
    for (int index = 0; index < count; ++index) threads.emplace_back(body, index);
    for (auto& thread : threads) thread.join();
}

}  // namespace test_support
