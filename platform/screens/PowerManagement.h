#pragma once
// System power notices at the power-management level: a client registers a callback that
// hears "can the system sleep", "the system will sleep", "will power on" and "has powered
// on", and answers the first two with allowPowerChange (the system waits for every
// client's answer before it sleeps). Notices are delivered through the client's
// notification port, a source on the run loop the client adds it to. The machine posts
// the notices (the simulated Mac, when it is told to sleep and wake).
//
// Also power assertions that keep the system awake. Thread-safe.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/foundation/RunLoop.h"

namespace platform::screens {

inline constexpr uint32_t kIOMessageCanSystemSleep = 0xE0000270;
inline constexpr uint32_t kIOMessageSystemWillSleep = 0xE0000280;
inline constexpr uint32_t kIOMessageSystemHasPoweredOn = 0xE0000300;
inline constexpr uint32_t kIOMessageSystemWillPowerOn = 0xE0000320;

using PowerCallback = void (*)(void* refCon, uint32_t service, uint32_t messageType,
                               intptr_t messageArgument);

// A client's notification port: notices reach the client only while the port is on a run
// loop, and then on that loop's thread.
class PowerNotificationPort;
using PowerNotificationPortRef = std::shared_ptr<PowerNotificationPort>;
void notificationPortAddToRunLoop(const PowerNotificationPortRef& port, foundation::RunLoop& loop);
void notificationPortRemoveFromRunLoop(const PowerNotificationPortRef& port);

// Registers `callback`; answers the root port (non-zero on success) and fills in the
// notification port and the notifier (the registration's handle).
uint32_t registerForSystemPower(void* refCon, PowerNotificationPortRef& port, uint64_t& notifier,
                                PowerCallback callback);
int32_t deregisterForSystemPower(uint64_t notifier);
int32_t serviceClose(uint32_t rootPort);
void notificationPortDestroy(PowerNotificationPortRef& port);
// A client's answer to a "can sleep" or "will sleep" notice, with that notice's argument.
int32_t allowPowerChange(uint32_t rootPort, intptr_t notificationId);

// Releases a power assertion; 0 on success, non-zero for an unknown assertion.
int32_t powerAssertionRelease(uint32_t assertionId);

// The machine side (the simulated Mac, tests): posts a notice to every registered client
// and answers the argument that identifies it; records the clients' answers.
intptr_t postSystemPowerMessage(uint32_t messageType);
std::vector<intptr_t> allowedPowerChanges();
size_t systemPowerClientCount();

}  // namespace platform::screens
