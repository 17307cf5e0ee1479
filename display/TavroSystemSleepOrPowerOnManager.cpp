#include "display/TavroSystemSleepOrPowerOnManager.h"

#include <cinttypes>
#include <cstdio>
#include <mutex>

#include "platform/foundation/Mutex.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/screens/PowerManagement.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

namespace screens = platform::screens;

namespace {

// The registration, shared by the callback and remove().
struct PowerRegistration {
    Mutex mutex;
    uint32_t rootPort TAVRO_GUARDED_BY(mutex) = 0;
    screens::PowerNotificationPortRef port TAVRO_GUARDED_BY(mutex);
    uint64_t notifier TAVRO_GUARDED_BY(mutex) = 0;
};

PowerRegistration& registration() {
    static PowerRegistration shared;
    return shared;
}

uint32_t rootPort() {
    MutexLock lock(registration().mutex);
    return registration().rootPort;
}

}  // namespace

TavroSystemSleepOrPowerOnManager& TavroSystemSleepOrPowerOnManager::shareManager() {
    static TavroSystemSleepOrPowerOnManager* instance = nullptr;
    static std::once_flag once;
    std::call_once(once, [] { instance = new TavroSystemSleepOrPowerOnManager(); });
    instance->createSystemSleepOrPowerOn();
    return *instance;
}

void TavroSystemSleepOrPowerOnManager::createSystemSleepOrPowerOn() {
    screens::PowerNotificationPortRef port;
    uint64_t notifier = 0;
    uint32_t root = screens::registerForSystemPower(nullptr, port, notifier, &powerCallback);
    {
        MutexLock lock(registration().mutex);
        registration().rootPort = root;
        registration().port = port;
        registration().notifier = notifier;
    }
    std::puts(root != 0 ? "IORegisterForSystemPower success" : "IORegisterForSystemPower failed");
    std::fflush(stdout);
    auto& loop = platform::foundation::RunLoop::current();
    screens::notificationPortAddToRunLoop(port, loop);
    loop.run();
}

void TavroSystemSleepOrPowerOnManager::remove() {
    uint32_t rootPort = 0;
    screens::PowerNotificationPortRef port;
    uint64_t notifier = 0;
    {
        MutexLock lock(registration().mutex);
        rootPort = registration().rootPort;
        port = registration().port;
        notifier = registration().notifier;
    }
    screens::notificationPortRemoveFromRunLoop(port);
    screens::deregisterForSystemPower(notifier);
    screens::serviceClose(rootPort);
    screens::notificationPortDestroy(port);
}

void TavroSystemSleepOrPowerOnManager::powerCallback(void* /*refCon*/, uint32_t /*service*/,
                                                     uint32_t messageType,
                                                     intptr_t messageArgument) {
    std::printf("messageType %08lx, arg %08lx\n", static_cast<unsigned long>(messageType),
                static_cast<unsigned long>(messageArgument));
    std::fflush(stdout);
    switch (messageType) {
        case screens::kIOMessageCanSystemSleep:
            platform::foundation::systemLog("是否允许休眠");
            screens::allowPowerChange(rootPort(), messageArgument);
            break;
        case screens::kIOMessageSystemWillSleep:
            platform::foundation::systemLog("即将进入休眠");
            screens::allowPowerChange(rootPort(), messageArgument);
            break;
        case screens::kIOMessageSystemHasPoweredOn:
            platform::foundation::systemLog("唤醒成功.");
            break;
        case screens::kIOMessageSystemWillPowerOn:
            platform::foundation::systemLog("即将唤醒.");
            break;
        default:
            break;
    }
}
