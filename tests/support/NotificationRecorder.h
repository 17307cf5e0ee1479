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

struct RecordedNotice {
    std::string name;
    platform::foundation::Value object;
};

class NotificationRecorder {
  public:
    explicit NotificationRecorder(std::vector<std::string> names);
    // Every notification whose name starts with `prefix`.
    struct NamePrefix {};
    NotificationRecorder(NamePrefix, std::string prefix);
    ~NotificationRecorder();
    NotificationRecorder(const NotificationRecorder&) = delete;
    NotificationRecorder& operator=(const NotificationRecorder&) = delete;

    std::vector<RecordedNotice> notices() const;
    std::vector<std::string> names() const;
    std::vector<platform::foundation::Value> objects() const;
    // The objects of the notices named `name`, in order.
    std::vector<platform::foundation::Value> objects(const std::string& name) const;
    // Objects read as integers.
    std::vector<int64_t> numbers() const;
    std::vector<int64_t> numbers(const std::string& name) const;
    size_t count(const std::string& name) const;
    size_t size() const;
    void clear();

    bool await(const std::function<bool(const std::vector<RecordedNotice>&)>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));
    bool awaitCount(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Until `count` notices named `name` have come.
    bool awaitCount(const std::string& name, size_t count,
                    std::chrono::milliseconds timeout = std::chrono::seconds(20));

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
    std::vector<RecordedNotice> notices_;
    std::vector<platform::foundation::ObserverToken> tokens_;
};

}  // namespace test_support
