#include "TAVRO_3D/AppDelegateShell.h"

#include <thread>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Mutex.h"

using platform::foundation::ConditionVariable;
using platform::foundation::Mutex;
using platform::foundation::MutexLock;

namespace fd = platform::foundation;

namespace shell {

namespace {
std::atomic<uint64_t> gPlugGeneration{0};
std::atomic<int> gRunningSequences{0};
// Set by the quit: no sequence starts or goes on afterwards.
std::atomic<bool> gSequencesEnded{false};
// Sleeping sequences wait on these, so that a new generation wakes them at once. Never
// destroyed: a sequence may still be asleep while the process ends.
Mutex& gSleepMutex = *new Mutex;
ConditionVariable& gSleepWake = *new ConditionVariable;
}  // namespace

uint64_t plugGeneration() {
    return gPlugGeneration.load();
}

uint64_t advancePlugGeneration() {
    uint64_t generation = 0;
    {
        MutexLock lock(gSleepMutex);
        generation = gPlugGeneration.fetch_add(1) + 1;
    }
    gSleepWake.notify_all();
    return generation;
}

bool plugIsCurrent(uint64_t generation) {
    return !gSequencesEnded.load() && gPlugGeneration.load() == generation &&
           AppDelegate::shared().glassStatus.load();
}

bool sleepWhileCurrent(double seconds, uint64_t generation) {
    auto clock = fd::Clock::currentShared();
    MutexLock lock(gSleepMutex);
    clock->waitUntil(
        gSleepMutex, gSleepWake, clock->now() + fd::Clock::fromSeconds(seconds),
        [&]() TAVRO_REQUIRES(gSleepMutex) { return gPlugGeneration.load() != generation; });
    lock.unlock();
    return plugIsCurrent(generation);
}

PlugSequenceScope::PlugSequenceScope() {
    ++gRunningSequences;
}
PlugSequenceScope::~PlugSequenceScope() {
    --gRunningSequences;
}

void allowPlugSequences() {
    gSequencesEnded = false;
}

void endPlugSequences() {
    gSequencesEnded = true;
    advancePlugGeneration();
    // Every wait of a sequence wakes on the new generation; what is left is a command or a
    // display change in progress, which may need the main queue.
    while (gRunningSequences.load() > 0) {
        if (fd::isMainThread()) {
            fd::MainLoop::runUntil([] { return gRunningSequences.load() == 0; },
                                   fd::Clock::fromSeconds(1));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

void PlugDfuCheckHandler::handleDfuCheckResult(bool needsUpdate) {
    delegate_.handleDfuCheckResult(needsUpdate, generation_);
}

void StatusMenuDelegate::menuDidClose(platform::ui::Menu&) {
    AppDelegate::shared().menuDidClose();
}

StatusMenuDelegate& statusMenuDelegate() {
    static StatusMenuDelegate delegate;
    return delegate;
}

}  // namespace shell
