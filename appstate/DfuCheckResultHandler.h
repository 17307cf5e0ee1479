#pragma once
// Where the glasses server hands its firmware-update decision: the application delegate
// implements it in the shell, so that the glasses link does not depend on the shell. Called
// on the thread that asked for the decision (the after-plug sequence's global queue).

class DfuCheckResultHandler {
  public:
    virtual ~DfuCheckResultHandler() = default;
    // True when the held glasses need a firmware update now.
    virtual void handleDfuCheckResult(bool needsUpdate) = 0;
};
