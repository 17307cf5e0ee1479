#include "platform/foundation/NotificationCenter.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/foundation/InvokeTask.h"
#include "platform/foundation/Mutex.h"

namespace platform::foundation {

namespace {

struct Observer {
    std::string name;
    std::optional<Value> object;  // never a null value: a null filter is no filter
    OperationQueuePtr queue;
    std::function<void(const Notification&)> block;
    // Checked right before the block is entered (on the observer's queue when it has
    // one), so a removal that has returned keeps every later call out.
    std::atomic<bool> removed{false};

    bool matches(const Notification& notification) const {
        if (!name.empty() && name != notification.name) return false;
        return !object || *object == notification.object;
    }
    void call(const Notification& notification) const {
        if (removed.load()) return;
        detail::invokeTask(notification.name, [&] { block(notification); });
    }
};

}  // namespace

struct NotificationCenter::State {
    Mutex mutex;
    uint64_t nextToken TAVRO_GUARDED_BY(mutex) = 1;
    // Ordered by token, that is by the order the observers were added.
    std::map<uint64_t, std::shared_ptr<Observer>> observers TAVRO_GUARDED_BY(mutex);

    void remove(uint64_t token) {
        std::shared_ptr<Observer> removed;  // its block is destroyed without the lock
        MutexLock lock(mutex);
        auto found = observers.find(token);
        if (found == observers.end()) return;
        removed = std::move(found->second);
        observers.erase(found);
        removed->removed.store(true);
    }
};

NotificationCenter& NotificationCenter::defaultCenter() {
    static auto* center = new NotificationCenter;
    return *center;
}

// In this single-process stand-in the other centres reach only this process's observers.
NotificationCenter& NotificationCenter::distributedCenter() {
    static auto* center = new NotificationCenter;
    return *center;
}

NotificationCenter& NotificationCenter::workspaceCenter() {
    static auto* center = new NotificationCenter;
    return *center;
}

NotificationCenter::NotificationCenter() : state_(std::make_shared<State>()) {}

NotificationCenter::~NotificationCenter() = default;

Subscription NotificationCenter::addObserver(std::string name, std::optional<Value> object,
                                             OperationQueuePtr queue,
                                             std::function<void(const Notification&)> block) {
    auto observer = std::make_shared<Observer>();
    observer->name = std::move(name);
    // As with NSNotificationCenter, a nil object means "from any sender".
    if (object && !object->isNull()) observer->object = std::move(object);
    observer->queue = std::move(queue);
    observer->block = std::move(block);
    uint64_t token = 0;
    {
        MutexLock lock(state_->mutex);
        token = state_->nextToken++;
        state_->observers.emplace(token, std::move(observer));
    }
    // Holds the centre's state weakly: a subscription may outlive its centre.
    return Subscription([weak = std::weak_ptr<State>(state_), token] {
        if (auto state = weak.lock()) state->remove(token);
    });
}

void NotificationCenter::post(const std::string& name, Value object, Value userInfo) {
    post(Notification{name, std::move(object), std::move(userInfo)});
}

void NotificationCenter::post(const Notification& notification) {
    // A snapshot: observers added during the post are not part of it, and no lock is held
    // while observers run, so they may post, add and remove freely.
    std::vector<std::shared_ptr<Observer>> targets;
    {
        MutexLock lock(state_->mutex);
        for (const auto& [token, observer] : state_->observers) {
            if (observer->matches(notification)) targets.push_back(observer);
        }
    }
    for (const auto& observer : targets) {
        if (observer->removed.load()) continue;
        if (observer->queue) {
            observer->queue->addOperationAndWait([&] { observer->call(notification); });
        } else {
            observer->call(notification);
        }
    }
}

}  // namespace platform::foundation
