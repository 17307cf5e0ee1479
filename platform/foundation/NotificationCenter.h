#pragma once
// Notification centres: the default, the distributed and the workspace centre. Posting is
// synchronous: observers without a queue run on the posting thread; an observer with a
// queue runs on that queue and the post waits until it has run (inline when the poster
// already is on that queue). So a post has been handled by every observer when it
// returns. An observer stays until the subscription that adding it returned goes; one
// removed before its turn in a post in progress is not called (a call already under way on
// another thread is not waited for).
//
// All operations are thread-safe; observers may post, add observers, and end their own or
// other observers' subscriptions.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/OperationQueue.h"
#include "platform/foundation/Subscription.h"
#include "platform/foundation/Value.h"

namespace platform::foundation {

struct Notification {
    std::string name;
    Value object;
    Value userInfo;  // a dictionary or null
};

class NotificationCenter {
  public:
    static NotificationCenter& defaultCenter();
    static NotificationCenter& distributedCenter();
    static NotificationCenter& workspaceCenter();

    NotificationCenter();
    ~NotificationCenter();

    // `name` empty: every name. `object` given: only posts whose object equals it (a null
    // value counts as not given, as a nil object does for NSNotificationCenter).
    Subscription addObserver(std::string name, std::optional<Value> object, OperationQueuePtr queue,
                             std::function<void(const Notification&)> block);
    void post(const std::string& name, Value object = {}, Value userInfo = {});
    void post(const Notification& notification);

    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

  private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace platform::foundation
