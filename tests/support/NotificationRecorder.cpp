#include "tests/support/NotificationRecorder.h"

#include <algorithm>

namespace test_support {

namespace fd = platform::foundation;

NotificationRecorder::NotificationRecorder(std::vector<std::string> names) {
    for (const auto& name : names) observe(name, nullptr);
}

NotificationRecorder::NotificationRecorder(NamePrefix, std::string prefix) {
    observe({}, [prefix](const std::string& name) { return name.starts_with(prefix); });
}

void NotificationRecorder::observe(const std::string& name,
                                   std::function<bool(const std::string&)> wanted) {
    tokens_.push_back(fd::NotificationCenter::defaultCenter().addObserver(
        name, std::nullopt, nullptr, [this, wanted](const fd::Notification& note) {
            if (wanted && !wanted(note.name)) return;
            // Notifies under the lock: a waiter may destroy the recorder once it has seen
            // the notice.
            std::lock_guard lock(mutex_);
            notices_.push_back(note);
            changed_.notify_all();
        }));
}

NotificationRecorder::Notices NotificationRecorder::notices() const {
    std::lock_guard lock(mutex_);
    return notices_;
}

std::vector<std::string> NotificationRecorder::names() const {
    std::vector<std::string> names;
    for (const auto& notice : notices()) names.push_back(notice.name);
    return names;
}

std::vector<fd::Value> NotificationRecorder::objects(const std::string& name) const {
    std::vector<fd::Value> objects;
    for (const auto& notice : notices()) {
        if (name.empty() || notice.name == name) objects.push_back(notice.object);
    }
    return objects;
}

std::vector<int64_t> NotificationRecorder::numbers(const std::string& name) const {
    std::vector<int64_t> numbers;
    for (const auto& object : objects(name)) numbers.push_back(object.asInt64());
    return numbers;
}

void NotificationRecorder::clear() {
    std::lock_guard lock(mutex_);
    notices_.clear();
}

bool NotificationRecorder::await(const std::function<bool(const Notices&)>& condition,
                                 std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return condition(notices_); });
}

bool NotificationRecorder::awaitCount(const std::string& name, size_t count) {
    return await([&](const Notices& notices) {
        return static_cast<size_t>(std::count_if(notices.begin(), notices.end(), [&](auto& n) {
                   return name.empty() || n.name == name;
               })) >= count;
    });
}

}  // namespace test_support
