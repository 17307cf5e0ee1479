#include "platform/foundation/BackgroundWork.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/SystemInfo.h"

namespace platform::foundation {

namespace {

struct State {
    Mutex mutex;
    // Notified when the quit begins and whenever a hold is dropped.
    ConditionVariable changed;
    std::atomic<int> holds{0};
    std::atomic<bool> stopping{false};
    std::atomic<std::chrono::milliseconds> quitLimit{BackgroundWork::kFinishLimit};
};

State& state() {
    // Never destroyed: a hold dropped while the process ends still finds it.
    static auto* instance = new State;
    return *instance;
}

void notify(State& s) {
    // Under the lock, so a waiter between its check and its wait cannot miss it.
    MutexLock lock(s.mutex);
    s.changed.notify_all();
}

}  // namespace

BackgroundWork::Hold BackgroundWork::hold() {
    State& s = state();
    ++s.holds;
    return Hold(&s, [](State* held) {
        --held->holds;
        notify(*held);
    });
}

bool BackgroundWork::stopping() {
    return state().stopping.load();
}

bool BackgroundWork::sleepForSeconds(double seconds) {
    State& s = state();
    auto clock = Clock::currentShared();
    MutexLock lock(s.mutex);
    clock->waitUntil(s.mutex, s.changed, Clock::later(clock->now(), Clock::fromSeconds(seconds)),
                     [&] { return s.stopping.load(); });
    return !s.stopping.load();
}

void BackgroundWork::beginQuit() {
    State& s = state();
    s.stopping = true;
    notify(s);
}

bool BackgroundWork::waitDuringQuit(const std::function<bool()>& done,
                                    std::chrono::milliseconds limit) {
    using Steady = std::chrono::steady_clock;
    const auto deadline = Steady::now() + limit;
    const auto over = [&] { return done() || Steady::now() >= deadline; };
    while (!over()) {
        if (isMainThread()) {
            // The loop looks at `over` every few milliseconds; its own timeout, in clock time,
            // is only a slice, never longer than the real time left.
            const auto left = std::chrono::duration_cast<Clock::Duration>(deadline - Steady::now());
            MainLoop::runUntil(over, std::max(left, Clock::Duration{0}));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return done();
}

bool BackgroundWork::finish(std::chrono::milliseconds limit) {
    beginQuit();
    State& s = state();
    if (isMainThread()) {
        waitDuringQuit([&] { return s.holds.load() == 0; }, limit);
    } else {
        MutexLock lock(s.mutex);
        s.changed.wait_until(lock, std::chrono::steady_clock::now() + limit,
                             [&] { return s.holds.load() == 0; });
    }
    const int left = s.holds.load();
    if (left > 0) {
        systemLog("quit: " + std::to_string(left) + " piece(s) of background work still running");
    }
    return left == 0;
}

std::chrono::milliseconds BackgroundWork::quitLimit() {
    return state().quitLimit.load();
}

void BackgroundWork::setQuitLimit(std::chrono::milliseconds limit) {
    state().quitLimit = limit;
}

void BackgroundWork::resume() {
    state().stopping = false;
}

int BackgroundWork::running() {
    return state().holds.load();
}

}  // namespace platform::foundation
