#pragma once
// One virtual ("dummy") display of the application, connected (a platform display exists)
// or not, identified by its serial number. Used from one thread at a time: the main thread
// in every caller.

#include <cstdint>
#include <memory>
#include <string>

#include "display/DummyDefinition.h"
#include "platform/screens/VirtualDisplay.h"

class Dummy {
  public:
    // A serial of 0 draws a random one; `connect` connects the new dummy at once.
    Dummy(DummyDefinition definition, uint32_t serialNum, bool connect);
    virtual ~Dummy() = default;

    // "TAVRO " and the first blank-separated word of the definition's description.
    virtual std::string dummyName() const;
    // True when the platform display now exists. A sleep reconnect succeeds only for a
    // dummy that sleep disconnected; connecting a connected dummy cycles it.
    virtual bool connect(bool sleepConnect);
    virtual void disconnect(bool sleepDisconnect);

    bool operator==(const Dummy& other) const { return serialNum == other.serialNum; }

    std::shared_ptr<platform::screens::VirtualDisplay> virtualDisplay;
    DummyDefinition dummyDefinition;
    uint32_t serialNum = 0;
    bool isConnected = false;
    bool isSleepDisconnected = false;
    std::string associatedDisplayPrefsId;
    std::string associatedDisplayName;
    uint32_t displayIdentifier = 0;
};
