#include "common/GCXTimer.h"

#include <cmath>
#include <cstdint>
#include <map>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Mutex.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

namespace common {

namespace fd = platform::foundation;

namespace {

struct Registry {
    Mutex mutex;
    std::map<std::string, std::shared_ptr<fd::DispatchTimer>> tasks TAVRO_GUARDED_BY(mutex);
    // Keys come from a count that only grows: a key formed from the number of live tasks
    // could name a second live task after a cancellation.
    uint64_t nextKey TAVRO_GUARDED_BY(mutex) = 0;
};

Registry& registry() {
    static Registry* shared = new Registry;  // outlives every timer firing at exit
    return *shared;
}

}  // namespace

void GCXTimer::initialize() {
    registry();
}

std::string GCXTimer::execTask(Task task, double start, double interval, bool repeats, bool async) {
    if (!task) return {};
    return execTask2([task = std::move(task)](const std::string&) { task(); }, start, interval,
                     repeats, async);
}

std::string GCXTimer::execTask2(KeyedTask task, double start, double interval, bool repeats,
                                bool async) {
    // Not-a-number times are refused: no delay can be read from them.
    if (!task || std::isnan(start) || std::isnan(interval) || start < 0 ||
        (repeats && !(interval > 0))) {
        return {};
    }
    auto source = fd::DispatchTimer::make(async ? fd::globalQueue() : fd::mainQueue());
    // A one-shot task fires once whatever its interval: its run cancels it.
    // Times beyond the clock's range saturate: such a task is due "never".
    source->setTimer(fd::Clock::fromSeconds(start),
                     repeats ? fd::Clock::fromSeconds(interval) : fd::Clock::Duration{0});
    std::string key;
    {
        Registry& shared = registry();
        MutexLock lock(shared.mutex);
        key = std::to_string(shared.nextKey++);
        shared.tasks[key] = source;
    }
    source->setEventHandler([task = std::move(task), key, repeats] {
        task(key);
        if (!repeats) cancelTimerTask(key);
    });
    source->resume();
    return key;
}

std::optional<std::string> GCXTimer::execTarget(std::shared_ptr<GCXTimerTarget> target,
                                                const std::string& selector, double start,
                                                double interval, bool repeats, bool async) {
    if (!target || selector.empty()) return std::nullopt;
    return execTask(
        [target, selector] {
            if (target->respondsToSelector(selector)) target->performSelector(selector);
        },
        start, interval, repeats, async);
}

void GCXTimer::cancelTimerTask(const std::string& key) {
    if (key.empty()) return;
    std::shared_ptr<fd::DispatchTimer> source;
    {
        Registry& shared = registry();
        MutexLock lock(shared.mutex);
        auto found = shared.tasks.find(key);
        if (found == shared.tasks.end()) return;
        source = std::move(found->second);
        shared.tasks.erase(found);
    }
    // Cancelled outside the lock, and the source released here rather than under it: its
    // handler (holding the task's captures) may take other locks when it is destroyed.
    source->cancel();
}

}  // namespace common
