#pragma once
// Listeners told of events one at a time and in the order of the events, without any lock
// of their owner held: a listener may read its owner's state, from its own thread or from
// another one it waits for. Adding a listener hands back a Subscription; once that is gone
// the listener is not called again. A removal from another thread waits for a call that is
// under way; a listener may also remove itself or another listener from inside its call.
//
// Thread-safe. A Delivery holds off every other delivery and removal while it lives, so an
// owner can change its state and tell its listeners, or show a new listener its state, with
// nothing falling in between. A listener must not start a delivery on its own thread (that
// would wait for itself): it may not add a registry's listener or make a change it is told of.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <utility>

#include "platform/foundation/Assert.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/Subscription.h"

namespace platform::foundation {

template <class... Args>
class ListenerList {
    struct Shared;

  public:
    using Listener = std::function<void(Args...)>;

    class TAVRO_SCOPED_CAPABILITY Delivery {
      public:
        explicit Delivery(ListenerList& list) TAVRO_ACQUIRE(list.shared_->turn)
            : shared_(*list.shared_) {
            TAVRO_ASSERT(shared_.deliveringThread.load() != std::this_thread::get_id(),
                         "a listener starts no delivery of its own list: it would wait for itself");
            shared_.turn.lock();
            shared_.deliveringThread.store(std::this_thread::get_id());
        }
        ~Delivery() TAVRO_RELEASE() {
            shared_.deliveringThread.store(std::thread::id());
            shared_.turn.unlock();
        }
        Delivery(const Delivery&) = delete;
        Delivery& operator=(const Delivery&) = delete;

      private:
        Shared& shared_;
    };

    ListenerList() = default;
    ListenerList(const ListenerList&) = delete;
    ListenerList& operator=(const ListenerList&) = delete;

    // The listener is told of the deliveries that start after this returns.
    Subscription add(Listener listener) {
        uint64_t id = 0;
        {
            MutexLock lock(shared_->mutex);
            id = shared_->nextId++;
            shared_->listeners.emplace(id, std::make_shared<Listener>(std::move(listener)));
        }
        return Subscription([weak = std::weak_ptr<Shared>(shared_), id] {
            if (auto shared = weak.lock()) shared->remove(id);
        });
    }

    void notify(const Delivery&, Args... args) {
        uint64_t after = 0;
        uint64_t end = 0;
        {
            MutexLock lock(shared_->mutex);
            end = shared_->nextId;
        }
        // The list is read again before each call, so a listener removed by an earlier one
        // is skipped; the listener itself stays alive for its call even if it is removed.
        for (;;) {
            std::shared_ptr<Listener> next;
            {
                MutexLock lock(shared_->mutex);
                auto found = shared_->listeners.upper_bound(after);
                if (found == shared_->listeners.end() || found->first >= end) return;
                after = found->first;
                next = found->second;
            }
            (*next)(args...);
        }
    }

    void notify(Args... args) {
        Delivery delivery(*this);
        notify(delivery, args...);
    }

  private:
    struct Shared {
        Mutex turn;  // held for a whole delivery
        std::atomic<std::thread::id> deliveringThread{};
        Mutex mutex;
        std::map<uint64_t, std::shared_ptr<Listener>> listeners TAVRO_GUARDED_BY(mutex);
        uint64_t nextId TAVRO_GUARDED_BY(mutex) = 1;

        void remove(uint64_t id) {
            std::shared_ptr<Listener> removed;  // destroyed once no lock is held
            auto take = [&] {
                MutexLock lock(mutex);
                auto found = listeners.find(id);
                if (found == listeners.end()) return;
                removed = std::move(found->second);
                listeners.erase(found);
            };
            // Inside a call on this thread: the delivery looks the list up again before its
            // next call, so taking the listener out is enough (waiting would never end).
            if (deliveringThread.load() == std::this_thread::get_id()) {
                take();
                return;
            }
            MutexLock waitForCall(turn);
            take();
        }
    };

    const std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

}  // namespace platform::foundation
