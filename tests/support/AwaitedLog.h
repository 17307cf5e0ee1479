#pragma once
// What callbacks on other threads hand over, kept in order for a test to read and await; a
// wait that is not met in time fails instead of hanging. Thread-safe.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

namespace test_support {

template <class T>
class AwaitedLog {
  public:
    void add(T entry) {
        {
            std::lock_guard lock(mutex_);
            entries_.push_back(std::move(entry));
        }
        changed_.notify_all();
    }
    // Until `count` entries have come, for at most `seconds` of real time.
    bool awaitCount(size_t count, double seconds = 5) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::duration<double>(seconds),
                                 [&] { return entries_.size() >= count; });
    }
    std::vector<T> entries() const {
        std::lock_guard lock(mutex_);
        return entries_;
    }
    size_t size() const {
        std::lock_guard lock(mutex_);
        return entries_.size();
    }
    // The entry at `index` once it has come; a default T when it does not come in time.
    T awaitAt(size_t index) {
        if (!awaitCount(index + 1)) return T{};
        std::lock_guard lock(mutex_);
        return entries_[index];
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<T> entries_;
};

}  // namespace test_support
