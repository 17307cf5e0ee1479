#include "common/MacModelFamily.h"
#include "localnet/TavroLocalServer.h"

std::string TavroLocalServer::getDeviceModel() {
    return common::macModelFamily();
}
