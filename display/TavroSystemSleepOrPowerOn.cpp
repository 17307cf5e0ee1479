#include "display/TavroSystemSleepOrPowerOn.h"

#include <cstdio>

#include "appstate/AppDelegate.h"
#include "appstate/DepthCaptureControl.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Workspace.h"
#include "platform/screens/PowerManagement.h"

using platform::foundation::NotificationCenter;
using platform::foundation::OperationQueue;

namespace {

// The AI-3D manager when the delegate holds one: the handlers act on it only then.
std::shared_ptr<DepthCaptureControl> heldDepthManager() {
    if (!AppDelegate::shared().depthManager.get()) return nullptr;
    return DepthCaptureControl::installed();
}

}  // namespace

TavroSystemSleepOrPowerOn& TavroSystemSleepOrPowerOn::shared() {
    // Never released: the observers hold the instance for the rest of the run.
    static auto* instance = new TavroSystemSleepOrPowerOn();
    return *instance;
}

TavroSystemSleepOrPowerOn::TavroSystemSleepOrPowerOn() {
    auto observe = [this](NotificationCenter& center, const char* name,
                          platform::foundation::OperationQueuePtr queue,
                          void (TavroSystemSleepOrPowerOn::*handler)()) {
        observers_.push_back(
            center.addObserver(name, std::nullopt, std::move(queue),
                               [this, handler](const auto&) { (this->*handler)(); }));
    };
    auto& distributed = NotificationCenter::distributedCenter();
    observe(distributed, kScreenIsLockedNotification, OperationQueue::main(),
            &TavroSystemSleepOrPowerOn::handleLock);
    observe(distributed, kScreenIsUnlockedNotification, OperationQueue::main(),
            &TavroSystemSleepOrPowerOn::handleUnlock);
    // The queue current at registration: the main one on the main thread, else none.
    auto current = platform::foundation::isMainThread() ? OperationQueue::main() : nullptr;
    auto& workspace = NotificationCenter::workspaceCenter();
    observe(workspace, platform::foundation::kWorkspaceScreensDidSleepNotification, current,
            &TavroSystemSleepOrPowerOn::handleScreensSleep);
    observe(workspace, platform::foundation::kWorkspaceWillSleepNotification, current,
            &TavroSystemSleepOrPowerOn::handleWillSleep);
    observe(workspace, platform::foundation::kWorkspaceScreensDidWakeNotification, current,
            &TavroSystemSleepOrPowerOn::handleScreensWake);
}

TavroSystemSleepOrPowerOn::~TavroSystemSleepOrPowerOn() {
    if (isPreventingSleep_.load() &&
        platform::screens::powerAssertionRelease(assertionID_.load()) == 0) {
        isPreventingSleep_.store(false);
    }
}

void TavroSystemSleepOrPowerOn::systemDidWake() {
    std::fputs("系统已唤醒\n", stdout);
    std::fflush(stdout);
}

void TavroSystemSleepOrPowerOn::wakeNotification() {
    isSleep_.store(false);
}

void TavroSystemSleepOrPowerOn::sleepNotification() {
    isSleep_.store(true);
}

void TavroSystemSleepOrPowerOn::handleLock() {
    isSleep_.store(true);
}

void TavroSystemSleepOrPowerOn::handleUnlock() {
    isSleep_.store(false);
}

void TavroSystemSleepOrPowerOn::handleScreensSleep() {
    if (auto manager = heldDepthManager(); manager && manager->hasDepthWindow()) {
        manager->stopDepthWindowCapture();
    }
    isSleep_.store(true);
}

void TavroSystemSleepOrPowerOn::handleWillSleep() {
    isDeepSleep_.store(true);
    isSleep_.store(true);
}

void TavroSystemSleepOrPowerOn::handleScreensWake() {
    isSleep_.store(false);
    isDeepSleep_.store(false);
    if (auto manager = heldDepthManager()) manager->resumeCaptureAfterWake(false);
}
