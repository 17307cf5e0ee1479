#pragma once
// Stops the AI-3D capture while the Mac's screens sleep and resumes it when they wake,
// and keeps two flags of the sleep state. The shared instance registers, for the rest of
// the run, observers of the session's screen lock and unlock (distributed centre) and of
// the workspace's screens-did-sleep, will-sleep and screens-did-wake notices.
//
// Thread: the lock observers run on the main operation queue; the workspace observers on
// the operation queue current when the instance was made (the main one when it is made on
// the main thread, as the home panel does; none otherwise, so they run on the posting
// thread). The flags are atomic so that tests may read them from anywhere.

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/foundation/Subscription.h"

inline constexpr const char* kScreenIsLockedNotification = "com.apple.screenIsLocked";
inline constexpr const char* kScreenIsUnlockedNotification = "com.apple.screenIsUnlocked";

class TavroSystemSleepOrPowerOn {
  public:
    // The process-wide instance, made (and its observers registered) on first use; never
    // released.
    static TavroSystemSleepOrPowerOn& shared();

    // Releases the power assertion when one is held (none is ever taken here).
    ~TavroSystemSleepOrPowerOn();
    TavroSystemSleepOrPowerOn(const TavroSystemSleepOrPowerOn&) = delete;
    TavroSystemSleepOrPowerOn& operator=(const TavroSystemSleepOrPowerOn&) = delete;

    bool isSleep() const { return isSleep_.load(); }
    bool isDeepSleep() const { return isDeepSleep_.load(); }
    uint32_t assertionID() const { return assertionID_.load(); }
    bool isPreventingSleep() const { return isPreventingSleep_.load(); }

    // Writes "系统已唤醒" to the standard output.
    void systemDidWake();
    void wakeNotification();
    void sleepNotification();

    // The handlers the observers run.
    void handleLock();
    void handleUnlock();
    void handleScreensSleep();
    void handleWillSleep();
    void handleScreensWake();

  private:
    // Only shared() makes one: the observers hold the instance for the rest of the run.
    TavroSystemSleepOrPowerOn();

    std::atomic<bool> isSleep_{false};
    std::atomic<bool> isDeepSleep_{false};
    std::atomic<uint32_t> assertionID_{0};
    std::atomic<bool> isPreventingSleep_{false};
    std::vector<platform::foundation::Subscription> observers_;
};
