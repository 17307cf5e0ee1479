#pragma once
// Runs one body on several threads at once, for tests of shared use. Any thread.

#include <functional>
#include <thread>
#include <vector>

namespace test_support {

// Starts body(0) .. body(count - 1), each on a thread of its own; the threads are joined
// when the result goes (or is cleared).
inline std::vector<std::jthread> startThreads(int count, const std::function<void(int)>& body) {
    std::vector<std::jthread> threads;
    for (int index = 0; index < count; ++index) threads.emplace_back(body, index);
    return threads;
}

// As startThreads, returning once all have ended.
inline void onThreads(int count, const std::function<void(int)>& body) {
    startThreads(count, body);
}

}  // namespace test_support
