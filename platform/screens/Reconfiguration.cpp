#include "platform/screens/Reconfiguration.h"

#include <map>
#include <utility>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Mutex.h"
#include "platform/screens/DisplayLookup.h"

namespace platform::screens {
namespace {

struct Registry {
    foundation::Mutex mutex;
    std::map<uint64_t, ReconfigurationCallback> callbacks TAVRO_GUARDED_BY(mutex);
    uint64_t next TAVRO_GUARDED_BY(mutex) = 1;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

uint64_t registerReconfigurationCallback(ReconfigurationCallback callback) {
    auto& reg = registry();
    foundation::MutexLock lock(reg.mutex);
    uint64_t token = reg.next++;
    reg.callbacks[token] = std::move(callback);
    return token;
}

void removeReconfigurationCallback(uint64_t token) {
    auto& reg = registry();
    foundation::MutexLock lock(reg.mutex);
    reg.callbacks.erase(token);
}

void announceReconfiguration(const std::vector<DisplayInfo>& before,
                             const std::vector<DisplayInfo>& after) {
    std::vector<std::pair<DisplayId, uint32_t>> changes;
    for (const auto& display : before) {
        if (!detail::find(after, display.id)) changes.emplace_back(display.id, kDisplayRemoveFlag);
    }
    const DisplayInfo* oldMain = detail::mainOf(before);
    const DisplayInfo* newMain = detail::mainOf(after);
    bool mainMoved = newMain && (!oldMain || oldMain->id != newMain->id);
    for (const auto& display : after) {
        const DisplayInfo* old = detail::find(before, display.id);
        uint32_t flags = 0;
        if (!old) flags |= kDisplayAddFlag;
        if (old && old->mode() != display.mode()) flags |= kDisplaySetModeFlag;
        if (mainMoved && newMain->id == display.id) flags |= kDisplaySetMainFlag;
        if (flags) changes.emplace_back(display.id, flags);
    }
    if (changes.empty()) return;
    foundation::mainQueue()->async([changes = std::move(changes)] {
        std::map<uint64_t, ReconfigurationCallback> callbacks;
        {
            auto& reg = registry();
            foundation::MutexLock lock(reg.mutex);
            callbacks = reg.callbacks;
        }
        for (const auto& [display, flags] : changes) {
            for (const auto& [token, callback] : callbacks) callback(display, flags);
        }
    });
}

}  // namespace platform::screens
