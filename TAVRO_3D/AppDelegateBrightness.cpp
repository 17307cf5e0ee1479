// The privacy screen: the built-in display's brightness fades to black while the user looks
// at the glasses, and the saved brightness is written back when the privacy screen goes off,
// the glasses go or the application quits.
//
// The fade ticks and the restore retries run on the default global queue; the callers run on
// the main thread. Each fade has a state of its own whose lock every tick and every restore
// takes, so a restore that has begun can never be followed by a dimmed write of a tick that
// was already running (the timer's cancel alone only stops ticks that have not started).
// A restore that finds the built-in panel offline (lid closed) stays pending until the panel
// comes back, and is then carried out; so does a fade asked for while the panel is offline,
// which has no brightness to save until then.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "appstate/AppDelegate.h"
#include "common/GCXTimer.h"
#include "common/GlobalHelpers.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Mutex.h"
#include "platform/screens/DisplayServices.h"
#include "platform/screens/Reconfiguration.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

namespace fdn = platform::foundation;
namespace screens = platform::screens;

namespace {

constexpr float kFadeSteps = 250.0f;
constexpr double kFadeInterval = 0.001;
constexpr double kRestoreRetryDelay = 0.15;
// At quit the retries run on the quitting thread; this bounds how long it may wait, in real
// time whatever the clock's speed, since it holds up the end of the process.
constexpr int kRestoreTriesBeforeQuit = 10;
constexpr auto kRestoreRetryPauseBeforeQuit = std::chrono::milliseconds(150);

struct BrightnessFade {
    Mutex mutex;
    bool stopped TAVRO_GUARDED_BY(mutex) = false;
    float counter TAVRO_GUARDED_BY(mutex) = 0;
    float saved TAVRO_GUARDED_BY(mutex) = 0;
    float stepSize TAVRO_GUARDED_BY(mutex) = 0;
};

platform::foundation::Guarded<std::shared_ptr<BrightnessFade>>& currentFade() {
    static platform::foundation::Guarded<std::shared_ptr<BrightnessFade>> fade;
    return fade;
}

// Restores never interleave: the main thread's call and a global-queue retry would otherwise
// both decide on the saved value at once.
Mutex& restoreMutex() {
    static Mutex mutex;
    return mutex;
}

void fadeTick(AppDelegate& delegate, BrightnessFade& fade, const std::string& key) {
    MutexLock lock(fade.mutex);
    if (fade.stopped) return;
    if (fade.counter > kFadeSteps) {
        fade.stopped = true;
        common::GCXTimer::cancelTimerTask(key);
        return;
    }
    float value = fade.counter == kFadeSteps ? 0.0f : fade.saved - fade.counter * fade.stepSize;
    if (uint32_t display = delegate.builtinDisplayID.load(); display != 0) {
        (void)screens::displayServicesSetBrightness(display, value);
    }
    fade.counter += 1;
}

// Stops the running fade; when this returns no tick writes any more.
void stopFade(AppDelegate& delegate) {
    common::GCXTimer::cancelTimerTask(delegate.timerInv.get());
    if (auto fade = currentFade().get()) {
        MutexLock lock(fade->mutex);
        fade->stopped = true;
    }
}

bool displayIsOnline(uint32_t display) {
    if (display == 0) return false;
    std::vector<screens::DisplayId> displays;
    if (screens::onlineDisplayList(64, displays) != screens::kDisplaySuccess) return false;
    for (auto id : displays) {
        if (id == display) return true;
    }
    return false;
}

enum class RestoreStep { Done, Retry, PanelGone };

// A restore found the built-in panel offline and waits for it to come back.
std::atomic<bool> gRestorePending{false};
// The privacy screen was switched on while the built-in panel was offline: the panel must go
// dark when it comes back.
std::atomic<bool> gFadePending{false};

// Main thread: the built-in panel came back (lid opened) while a restore or a fade waited for
// it.
void finishWhenPanelReturns(AppDelegate& delegate, screens::DisplayId display, uint32_t flags) {
    if (!(flags & screens::kDisplayAddFlag) || display != delegate.builtinDisplayID.load()) return;
    if (gFadePending.exchange(false)) {
        delegate.closeBuiltinBrightness();
    } else if (gRestorePending.load()) {
        delegate.restoreBuiltinBrightness();
    }
}

void watchForPanelReturn(AppDelegate& delegate) {
    static std::once_flag registered;
    std::call_once(registered, [&delegate] {
        screens::registerReconfigurationCallback(
            [&delegate](screens::DisplayId display, uint32_t flags) {
                finishWhenPanelReturns(delegate, display, flags);
            });
    });
}

// One attempt: writes the saved brightness and reads it back.
RestoreStep restoreOnce(AppDelegate& delegate) {
    MutexLock lock(restoreMutex());
    stopFade(delegate);
    gRestorePending = false;
    gFadePending = false;
    float saved = delegate.defaultBrightness.load();
    if (saved == 0) return RestoreStep::Done;
    uint32_t display = delegate.builtinDisplayID.load();
    // With the built-in panel gone (lid closed on a docked Mac, no built-in display) a write
    // cannot take and retrying would spin for the rest of the run; the saved value stays and
    // is written back when the panel returns (or by the next restore).
    if (!displayIsOnline(display)) {
        gRestorePending = true;
        watchForPanelReturn(delegate);
        return RestoreStep::PanelGone;
    }
    (void)screens::displayServicesSetBrightness(display, saved);
    if (common::builtinBrightness(display) == 0) return RestoreStep::Retry;
    delegate.defaultBrightness.store(0);
    return RestoreStep::Done;
}

}  // namespace

void AppDelegate::closeBuiltinBrightness() {
    TAVRO_ASSERT_MAIN_THREAD();
    // The privacy screen is wanted again: a panel that comes back stays dark.
    gRestorePending = false;
    if (defaultBrightness.load() != 0) return;
    const uint32_t display = builtinDisplayID.load();
    float saved = common::builtinBrightness(display);
    defaultBrightness.store(saved);
    if (saved == 0) {
        // An offline panel (lid closed) reads as 0 and has nothing to save: left as it is, it
        // would come back bright while the privacy screen is on. It fades once it is back.
        if (display != 0 && !displayIsOnline(display)) {
            gFadePending = true;
            watchForPanelReturn(*this);
        }
        return;
    }

    auto fade = std::make_shared<BrightnessFade>();
    {
        platform::foundation::MutexLock lock(fade->mutex);
        fade->saved = saved;
        fade->stepSize = saved / kFadeSteps;
    }
    // A fade that a restore stopped but whose timer never ran must not be picked up again.
    currentFade().set(fade);
    AppDelegate* delegate = this;
    std::string key = common::GCXTimer::execTask2(
        [delegate, fade](const std::string& own) { fadeTick(*delegate, *fade, own); }, 0.0,
        kFadeInterval, true, true);
    timerInv.set(key);
}

void AppDelegate::restoreBuiltinBrightness() {
    if (restoreOnce(*this) != RestoreStep::Retry) return;
    AppDelegate* delegate = this;
    fdn::globalQueue()->asyncAfterSeconds(kRestoreRetryDelay,
                                          [delegate] { delegate->restoreBuiltinBrightness(); });
}

void AppDelegate::restoreBuiltinBrightnessBeforeQuit() {
    for (int attempt = 0; attempt < kRestoreTriesBeforeQuit; ++attempt) {
        if (restoreOnce(*this) != RestoreStep::Retry) return;
        std::this_thread::sleep_for(kRestoreRetryPauseBeforeQuit);
    }
}
