#pragma once
// A value that several threads read and write whole (a text, an object reference): every
// access copies it in or out under the value's own lock. Thread-safe.

#include <utility>

#include "platform/foundation/Mutex.h"

namespace platform::foundation {

template <class T>
class Guarded {
  public:
    constexpr Guarded() = default;
    explicit Guarded(T value) : value_(std::move(value)) {}
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;

    T get() const {
        MutexLock lock(mutex_);
        return value_;
    }
    void set(T value) {
        MutexLock lock(mutex_);
        value_ = std::move(value);
    }
    // Stores `value` and returns what was there before.
    T exchange(T value) {
        MutexLock lock(mutex_);
        std::swap(value_, value);
        return value;
    }
    // Runs `change(value)` with the lock held and returns what it returns: for a change that
    // reads and writes the value in one step. `change` must not reach this Guarded again.
    template <class F>
    decltype(auto) update(F&& change) {
        MutexLock lock(mutex_);
        return std::forward<F>(change)(value_);
    }

  private:
    mutable Mutex mutex_;
    T value_ TAVRO_GUARDED_BY(mutex_){};
};

}  // namespace platform::foundation
