#pragma once
// What keeps an observer registered. Observing a notification, a bus device's input reports
// or a registry of devices hands one back; the observer stays until the subscription is
// destroyed or reset, so an owner that keeps it as a member takes its observers with it.
// Moving hands the registration on; a default subscription holds none.
//
// The removal it runs reaches the observed object only through a weak reference, so a
// subscription may outlive what it observes. A subscription is used by one thread at a time;
// the removal is as thread-safe as the observed object makes it.

#include <functional>
#include <utility>

namespace platform::foundation {

class [[nodiscard]] Subscription {
  public:
    Subscription() = default;
    // `remove` runs once, when the subscription goes; it must not keep the observed alive.
    explicit Subscription(std::function<void()> remove) : remove_(std::move(remove)) {}
    Subscription(Subscription&& other) noexcept : remove_(std::exchange(other.remove_, nullptr)) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            remove_ = std::exchange(other.remove_, nullptr);
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }

    // Removes the observer now; nothing when there is none.
    void reset() {
        if (auto remove = std::exchange(remove_, nullptr)) remove();
    }
    explicit operator bool() const { return static_cast<bool>(remove_); }

  private:
    std::function<void()> remove_;
};

}  // namespace platform::foundation
