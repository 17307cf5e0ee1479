#include "display/Dummy.h"

#include <random>

#include "display/CreateVirtualDisplay.h"
#include "display/VirtualDisplayRegistry.h"
#include "platform/foundation/SystemInfo.h"

using platform::foundation::systemLog;

Dummy::Dummy(DummyDefinition definition, uint32_t serial, bool connectNow)
    : dummyDefinition(std::move(definition)), serialNum(serial) {
    if (serialNum == 0) {
        std::random_device random;
        serialNum = uint32_t(random());
    }
    if (connectNow) connect(false);
}

std::string Dummy::dummyName() const {
    const std::string& description = dummyDefinition.description;
    return "TAVRO " + description.substr(0, description.find(' '));
}

bool Dummy::connect(bool sleepConnect) {
    if (sleepConnect && !isSleepDisconnected) return false;
    isSleepDisconnected = false;
    std::string name = dummyName();
    if (virtualDisplay || isConnected) {
        systemLog("Attempted to connect the already connected display " + name +
                  ". Interpreting as connect cycle.");
        disconnect(false);
    }
    auto display = createVirtualDisplay(dummyDefinition, name, serialNum, true);
    if (!display) {
        systemLog("Failed to connect display " + name);
        return false;
    }
    virtualDisplay = display;
    displayIdentifier = display->displayID();
    isConnected = true;
    return true;
}

void Dummy::disconnect(bool sleepDisconnect) {
    virtualDisplayRegistry().remove(serialNum);
    virtualDisplay.reset();
    isConnected = false;
    isSleepDisconnected = sleepDisconnect;
    systemLog("Disconnected virtual display: " + dummyName());
}
