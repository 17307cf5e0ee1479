#include "platform/screens/PowerManagement.h"

#include <algorithm>

#include "platform/foundation/Mutex.h"

namespace platform::screens {

class PowerNotificationPort {
  public:
    foundation::Mutex mutex;
    std::unique_ptr<foundation::RunLoopSource> source TAVRO_GUARDED_BY(mutex);
};

namespace {

struct Client {
    uint64_t notifier = 0;
    void* refCon = nullptr;
    PowerCallback callback = nullptr;
    PowerNotificationPortRef port;
};

struct Registry {
    foundation::Mutex mutex;
    std::vector<Client> clients TAVRO_GUARDED_BY(mutex);
    std::vector<intptr_t> allowed TAVRO_GUARDED_BY(mutex);
    uint64_t nextNotifier TAVRO_GUARDED_BY(mutex) = 1;
    intptr_t nextNotice TAVRO_GUARDED_BY(mutex) = 1;
};

Registry& registry() {
    static Registry shared;
    return shared;
}

// Root ports are handed out per registration; the value only has to be non-zero.
constexpr uint32_t kRootPort = 0x2B03;

}  // namespace

void notificationPortAddToRunLoop(const PowerNotificationPortRef& port, foundation::RunLoop& loop) {
    if (!port) return;
    foundation::MutexLock lock(port->mutex);
    port->source = std::make_unique<foundation::RunLoopSource>(loop);
}

void notificationPortRemoveFromRunLoop(const PowerNotificationPortRef& port) {
    if (!port) return;
    std::unique_ptr<foundation::RunLoopSource> source;
    {
        foundation::MutexLock lock(port->mutex);
        source = std::move(port->source);
    }
    // Invalidated outside the port's lock: it waits for a delivery in progress.
    source.reset();
}

uint32_t registerForSystemPower(void* refCon, PowerNotificationPortRef& port, uint64_t& notifier,
                                PowerCallback callback) {
    if (!callback) return 0;
    port = std::make_shared<PowerNotificationPort>();
    auto& shared = registry();
    foundation::MutexLock lock(shared.mutex);
    notifier = shared.nextNotifier++;
    shared.clients.push_back({notifier, refCon, callback, port});
    return kRootPort;
}

int32_t deregisterForSystemPower(uint64_t notifier) {
    auto& shared = registry();
    foundation::MutexLock lock(shared.mutex);
    auto before = shared.clients.size();
    std::erase_if(shared.clients, [notifier](const Client& c) { return c.notifier == notifier; });
    return shared.clients.size() < before ? 0 : -1;
}

int32_t serviceClose(uint32_t rootPort) {
    return rootPort == kRootPort ? 0 : -1;
}

void notificationPortDestroy(PowerNotificationPortRef& port) {
    notificationPortRemoveFromRunLoop(port);
    port.reset();
}

int32_t allowPowerChange(uint32_t rootPort, intptr_t notificationId) {
    if (rootPort != kRootPort) return -1;
    auto& shared = registry();
    foundation::MutexLock lock(shared.mutex);
    shared.allowed.push_back(notificationId);
    return 0;
}

int32_t powerAssertionRelease(uint32_t /*assertionId*/) {
    // Nothing here creates assertions, so there is none to release.
    return -1;
}

intptr_t postSystemPowerMessage(uint32_t messageType) {
    std::vector<Client> clients;
    intptr_t notice = 0;
    {
        auto& shared = registry();
        foundation::MutexLock lock(shared.mutex);
        clients = shared.clients;
        notice = shared.nextNotice++;
    }
    for (const auto& client : clients) {
        foundation::MutexLock lock(client.port->mutex);
        if (!client.port->source) continue;
        client.port->source->signal([client, messageType, notice] {
            client.callback(client.refCon, kRootPort, messageType, notice);
        });
    }
    return notice;
}

std::vector<intptr_t> allowedPowerChanges() {
    auto& shared = registry();
    foundation::MutexLock lock(shared.mutex);
    return shared.allowed;
}

size_t systemPowerClientCount() {
    auto& shared = registry();
    foundation::MutexLock lock(shared.mutex);
    return shared.clients.size();
}

}  // namespace platform::screens
