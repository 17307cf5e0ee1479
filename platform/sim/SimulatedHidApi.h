#pragma once
// The hidapi backend of the simulated Mac: it enumerates, opens and talks to the devices
// on a HIDBus. A device's path is "HIDBus/" and its "LocationID"; its interface number is
// its "InterfaceNumber" property (0 when it has none). Writes reach the device as output
// reports on the writer's thread; its input reports queue up in the open handle (at most
// 30, the oldest dropped first, as the library keeps them) until read. Timed reads wait on
// the platform clock, so a sped-up or manual clock shortens a time-out as it does every
// other wait.
//
// Thread-safety as hidapi's: a handle is used by one thread at a time; input reports may
// arrive on any thread.

#include <memory>

#include "platform/hid/HIDBus.h"
#include "platform/hid/HidApi.h"

namespace platform::sim {

std::shared_ptr<hid::HidApi> makeSimulatedHidApi(hid::HIDBus& bus = hid::HIDBus::system());

}  // namespace platform::sim
