#pragma once
// A value that several threads read and write whole (a text, an object reference): every
// access copies it in or out under the value's own lock. Thread-safe.

#include <mutex>
#include <utility>

template <class T>
class Guarded {
  public:
    Guarded() = default;
    explicit Guarded(T value) : value_(std::move(value)) {}
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;

    T get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    void set(T value) {
        std::lock_guard lock(mutex_);
        value_ = std::move(value);
    }
    // Stores `value` and returns what was there before.
    T exchange(T value) {
        std::lock_guard lock(mutex_);
        std::swap(value_, value);
        return value;
    }

  private:
    mutable std::mutex mutex_;
    T value_{};
};
