#pragma once
// Listens for the system's power notices at the power-management level: it allows the
// system to sleep when asked ("can sleep" and "will sleep") and logs the wake-up notices.
// Nothing in the application uses it.
//
// Thread: shareManager BLOCKS ITS CALLER. It registers for the notices on the calling
// thread's run loop and then runs that run loop, returning only when the loop is stopped
// (RunLoop::stop from another thread); the power callback runs on that thread. Call it
// on a thread of its own.

#include <cstdint>

class TavroSystemSleepOrPowerOnManager {
  public:
    // Makes the shared instance once and sends it createSystemSleepOrPowerOn; blocks.
    static TavroSystemSleepOrPowerOnManager& shareManager();

    // Registers for the power notices and runs the current run loop; blocks.
    void createSystemSleepOrPowerOn();
    // Takes the notification source off the run loop and gives the registration back.
    void remove();

    // The power callback.
    static void powerCallback(void* refCon, uint32_t service, uint32_t messageType,
                              intptr_t messageArgument);

  private:
    TavroSystemSleepOrPowerOnManager() = default;
};
