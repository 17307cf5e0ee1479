#include "platform/foundation/BackgroundWork.h"

#include <atomic>

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

bool BackgroundWork::finish(std::chrono::milliseconds limit) {
    beginQuit();
    State& s = state();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const auto over = [&] {
        return s.holds.load() == 0 || std::chrono::steady_clock::now() >= deadline;
    };
    if (isMainThread()) {
        while (!over()) MainLoop::runUntil(over, Clock::fromSeconds(1));
    } else {
        MutexLock lock(s.mutex);
        s.changed.wait_until(lock, deadline, [&] { return s.holds.load() == 0; });
    }
    const int left = s.holds.load();
    if (left > 0) {
        systemLog("quit: " + std::to_string(left) + " piece(s) of background work still running");
    }
    return left == 0;
}

void BackgroundWork::resume() {
    state().stopping = false;
}

int BackgroundWork::running() {
    return state().holds.load();
}

}  // namespace platform::foundation
