#include "display/CreateVirtualDisplay.h"
#include "display/DummyManager.h"
#include "display/VirtualDisplayRegistry.h"
#include "display/tavroDisplayManager.h"
#include "platform/foundation/Guarded.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/UserDefaults.h"

using platform::foundation::systemLog;

namespace {

// The display that stands in while the system sleeps. Its name holds "tavro" and
// "monitor", so it is taken neither for the glasses nor for a host screen.
DummyDefinition sleepDefinition() {
    return DummyDefinition{1920, 1200, 1, 1, 1, {60.0}, "Monitor", false};
}
constexpr const char* kSleepDisplayName = "TAVRO Monitor (sleep)";
constexpr uint32_t kSleepDisplaySerial = 0x60D53B9F;

platform::foundation::Guarded<std::shared_ptr<platform::screens::VirtualDisplay>>&
temporarySleepDisplay() {
    static platform::foundation::Guarded<std::shared_ptr<platform::screens::VirtualDisplay>>
        display;
    return display;
}

}  // namespace

void tavroDisplayManager::handleSleep() {
    bool wasAwake = false;
    if (!isSleep.compare_exchange_strong(wasAwake, true)) return;
    if (DummyManager::dummies().empty() ||
        platform::foundation::UserDefaults::standard().boolForKey("disableTempSleep")) {
        return;
    }
    systemLog("睡眠，创建临时显示大小为 1920x1200 的虚拟屏");
    auto display =
        createVirtualDisplay(sleepDefinition(), kSleepDisplayName, kSleepDisplaySerial, true);
    // Only the temporary reference keeps it, so that waking drops it.
    virtualDisplayRegistry().remove(kSleepDisplaySerial);
    temporarySleepDisplay().set(std::move(display));
}

void tavroDisplayManager::handleWake() {
    bool wasAsleep = true;
    if (!isSleep.compare_exchange_strong(wasAsleep, false)) return;
    temporarySleepDisplay().set(nullptr);
    systemLog("唤醒被拦截，如果存在，删除临时显示。");
}
