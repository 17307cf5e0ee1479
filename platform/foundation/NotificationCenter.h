#pragma once
// Notification centres: the default, the distributed and the workspace centre. Posting is
// synchronous: observers without a queue run on the posting thread; an observer with a
// queue runs on that queue and the post waits until it has run (inline when the poster
// already is on that queue). So a post has been handled by every observer when it
// returns. An observer removed before its turn in a post in progress is not called.
//
// All operations are thread-safe; observers may post, add and remove observers.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/OperationQueue.h"
#include "platform/foundation/Value.h"

namespace platform::foundation {

struct Notification {
    std::string name;
    Value object;
    Value userInfo;  // a dictionary or null
};

using ObserverToken = uint64_t;

class NotificationCenter {
  public:
    static NotificationCenter& defaultCenter();
    static NotificationCenter& distributedCenter();
    static NotificationCenter& workspaceCenter();

    NotificationCenter();
    ~NotificationCenter();

    // `name` empty: every name. `object` given: only posts whose object equals it (a null
    // value counts as not given, as a nil object does for NSNotificationCenter).
    ObserverToken addObserver(std::string name, std::optional<Value> object,
                              OperationQueuePtr queue,
                              std::function<void(const Notification&)> block);
    void removeObserver(ObserverToken token);
    void post(const std::string& name, Value object = {}, Value userInfo = {});
    void post(const Notification& notification);

    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

  private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace platform::foundation
