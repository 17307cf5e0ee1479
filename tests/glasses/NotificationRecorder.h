#pragma once
// Records the notifications of the given names (default centre) posted from any thread,
// for a test to await; a wait that is not met in 20 s fails instead of hanging.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/NotificationCenter.h"

struct RecordedNotice {
    std::string name;
    platform::foundation::Value object;
};

class NotificationRecorder {
  public:
    explicit NotificationRecorder(std::initializer_list<const char*> names) {
        auto& center = platform::foundation::NotificationCenter::defaultCenter();
        for (const char* name : names) {
            tokens_.push_back(center.addObserver(
                name, std::nullopt, nullptr, [this](const platform::foundation::Notification& n) {
                    std::lock_guard lock(mutex_);
                    notices_.push_back({n.name, n.object});
                    changed_.notify_all();
                }));
        }
    }
    bool await(const std::function<bool(const std::vector<RecordedNotice>&)>& condition) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20),
                                 [&] { return condition(notices_); });
    }
    std::vector<RecordedNotice> notices() {
        std::lock_guard lock(mutex_);
        return notices_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        notices_.clear();
    }

    // The object's "device" entry as a T, for notices of `name`, in order.
    template <class T>
    std::vector<std::shared_ptr<T>> devices(const std::string& name) {
        std::vector<std::shared_ptr<T>> found;
        for (const auto& notice : notices()) {
            if (notice.name != name || !notice.object.isDictionary()) continue;
            auto entry = notice.object.dictionary().find("device");
            if (entry != notice.object.dictionary().end()) {
                found.push_back(entry->second.objectAs<T>());
            }
        }
        return found;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<RecordedNotice> notices_;
    std::vector<platform::foundation::Subscription> tokens_;
};
