#include "TAVRO_3D/AppDelegateShell.h"

#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/SystemInfo.h"

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
    // Once the quit has begun no step touches the displays or the glasses any more, even
    // before the quit gets to end the sequences.
    return !gSequencesEnded.load() && !fd::BackgroundWork::stopping() &&
           gPlugGeneration.load() == generation && AppDelegate::shared().glassStatus.load();
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
    // display change in progress, which may need the main queue. A step that never returns
    // must not keep the process from ending: the wait has the quit's bound (real time).
    fd::BackgroundWork::waitDuringQuit([] { return gRunningSequences.load() == 0; });
    if (const int left = gRunningSequences.load(); left > 0) {
        fd::systemLog("quit: " + std::to_string(left) + " after-plug sequence(s) still running");
    }
}

namespace {
bool gQuitStoredModeEvent = false;
}  // namespace

void setQuitStoredModeEvent(bool stored) {
    gQuitStoredModeEvent = stored;
}

bool quitStoredModeEvent() {
    return gQuitStoredModeEvent;
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
