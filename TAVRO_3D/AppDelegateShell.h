#pragma once
// What the application shell keeps beside the delegate's record: the adapters through
// which the glasses server and the status menu call the delegate, and the plug generation.
//
// The plug generation counts the glasses notices the delegate has handled. An after-plug
// sequence carries the generation of the plug-in that started it and goes on only while
// that generation is still the current one and the glasses are there, so an unplug and
// re-plug during one of its waits ends it, and only the sequence of the latest plug-in
// sets the glasses up. Any thread.

#include <atomic>
#include <cstdint>

#include "appstate/AppDelegate.h"
#include "appstate/DfuCheckResultHandler.h"
#include "glasses/TavroVXServer.h"
#include "platform/ui/Menu.h"

namespace shell {

// The current plug generation; advanced on the main thread by every glasses notice.
uint64_t plugGeneration();
uint64_t advancePlugGeneration();
// True while `generation` is the current one, the glasses are connected and no quit has
// begun.
bool plugIsCurrent(uint64_t generation);
// Sleeps `seconds` of clock time, waking early when the generation changes; answers
// plugIsCurrent afterwards.
bool sleepWhileCurrent(double seconds, uint64_t generation);

// Marks the thread's after-plug sequence as running for its life, so that the quit can
// wait for every sequence to end before the process's state goes away.
class PlugSequenceScope {
  public:
    PlugSequenceScope();
    ~PlugSequenceScope();
    PlugSequenceScope(const PlugSequenceScope&) = delete;
    PlugSequenceScope& operator=(const PlugSequenceScope&) = delete;
};
// Ends every after-plug sequence for good (the quit): none goes on or starts afterwards.
// Waits until they have returned, for at most the quit's bound, running the main queue
// meanwhile when called on the main thread.
void endPlugSequences();
// Launch: sequences may run (again).
void allowPlugSequences();

// Whether the quit's clean-up has stored the mode event of glasses connected then; an unplug
// heard later in the quit stores none of its own. Main thread.
void setQuitStoredModeEvent(bool stored);
bool quitStoredModeEvent();

// The glasses server's firmware decision for one plug-in, handed to the delegate.
class PlugDfuCheckHandler final : public DfuCheckResultHandler {
  public:
    PlugDfuCheckHandler(AppDelegate& delegate, uint64_t generation)
        : delegate_(delegate), generation_(generation) {}
    void handleDfuCheckResult(bool needsUpdate) override;

  private:
    AppDelegate& delegate_;
    const uint64_t generation_;
};

// The status menu's delegate: forwards the menu's closing to the application delegate.
class StatusMenuDelegate final : public platform::ui::MenuDelegate {
  public:
    void menuDidClose(platform::ui::Menu&) override;
};
StatusMenuDelegate& statusMenuDelegate();

}  // namespace shell
