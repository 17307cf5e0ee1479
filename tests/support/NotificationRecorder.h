#pragma once
// Records the notifications of the default centre posted from any thread while it lives:
// those of the names given, or every name that starts with a prefix. A test reads the
// record or awaits a condition on it; a wait that is not met in time fails instead of
// hanging. Thread-safe.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/NotificationCenter.h"

namespace test_support {

class NotificationRecorder {
  public:
    using Notices = std::vector<platform::foundation::Notification>;
    explicit NotificationRecorder(const std::vector<std::string>& names) {
        for (const auto& name : names) observe(name, nullptr);
    }
    struct NamePrefix {};
    NotificationRecorder(NamePrefix, std::string prefix) {
        observe({}, [prefix](const std::string& name) { return name.starts_with(prefix); });
    }
    NotificationRecorder(const NotificationRecorder&) = delete;
    NotificationRecorder& operator=(const NotificationRecorder&) = delete;

    Notices notices() const {
        std::lock_guard lock(mutex_);
        return notices_;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> names;
        for (const auto& notice : notices()) names.push_back(notice.name);
        return names;
    }
    // The objects of the notices named `name` (of all when empty), in order; as integers.
    std::vector<platform::foundation::Value> objects(const std::string& name = {}) const {
        std::vector<platform::foundation::Value> objects;
        for (const auto& notice : notices())
            if (name.empty() || notice.name == name) objects.push_back(notice.object);
        return objects;
    }
    std::vector<int64_t> numbers(const std::string& name = {}) const {
        std::vector<int64_t> numbers;
        for (const auto& object : objects(name)) numbers.push_back(object.asInt64());
        return numbers;
    }
    size_t size() const { return notices().size(); }
    size_t count(const std::string& name) const { return objects(name).size(); }
    void clear() {
        std::lock_guard lock(mutex_);
        notices_.clear();
    }

    bool awaitCount(size_t count) { return awaitCount({}, count); }
    // Until `count` notices named `name` (of any name when empty) have come.
    bool awaitCount(const std::string& name, size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [&] {
            return size_t(std::count_if(notices_.begin(), notices_.end(), [&](auto& n) {
                       return name.empty() || n.name == name;
                   })) >= count;
        });
    }

  private:
    void observe(const std::string& name, std::function<bool(const std::string&)> wanted) {
        tokens_.push_back(platform::foundation::NotificationCenter::defaultCenter().addObserver(
            name, std::nullopt, nullptr,
            [this, wanted](const platform::foundation::Notification& note) {
                if (wanted && !wanted(note.name)) return;
                // Notifies under the lock: a waiter may destroy the recorder once it has
                // seen the notice.
                std::lock_guard lock(mutex_);
                notices_.push_back(note);
                changed_.notify_all();
            }));
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Notices notices_;
    std::vector<platform::foundation::Subscription> tokens_;
};

}  // namespace test_support
