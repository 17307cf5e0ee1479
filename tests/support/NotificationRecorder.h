#pragma once
// Records the notifications of the default centre posted from any thread while it lives:
// those of the names given, or every name that starts with a prefix. A test reads the
// record or awaits a condition on it; a wait that is not met in time fails instead of
// hanging. Thread-safe.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/NotificationCenter.h"

namespace test_support {

using RecordedNotice = platform::foundation::Notification;

class NotificationRecorder {
  public:
    using Notices = std::vector<RecordedNotice>;
    explicit NotificationRecorder(std::vector<std::string> names);
    struct NamePrefix {};
    NotificationRecorder(NamePrefix, std::string prefix);
    NotificationRecorder(const NotificationRecorder&) = delete;
    NotificationRecorder& operator=(const NotificationRecorder&) = delete;

    Notices notices() const;
    std::vector<std::string> names() const;
    // The objects of the notices named `name` (of all when empty), in order; as integers.
    std::vector<platform::foundation::Value> objects(const std::string& name = {}) const;
    std::vector<int64_t> numbers(const std::string& name = {}) const;
    size_t size() const { return notices().size(); }
    size_t count(const std::string& name) const { return objects(name).size(); }
    void clear();

    bool await(const std::function<bool(const Notices&)>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));
    bool awaitCount(size_t count) { return awaitCount({}, count); }
    // Until `count` notices named `name` (of any name when empty) have come.
    bool awaitCount(const std::string& name, size_t count);

    // The object's "device" entry as a T, for notices of `name`, in order.
    template <class T>
    std::vector<std::shared_ptr<T>> devices(const std::string& name) const {
        std::vector<std::shared_ptr<T>> found;
        for (const auto& object : objects(name)) {
            if (!object.isDictionary()) continue;
            auto entry = object.dictionary().find("device");
            if (entry != object.dictionary().end()) found.push_back(entry->second.objectAs<T>());
        }
        return found;
    }

  private:
    void observe(const std::string& name, std::function<bool(const std::string&)> wanted);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Notices notices_;
    std::vector<platform::foundation::Subscription> tokens_;
};

}  // namespace test_support
