#include "common/AppIdentifier.h"
#include "common/GlobalHelpers.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/UserDefaults.h"

namespace common {
namespace {

std::string deviceIDKey() {
    return AppIdentifier() + "_deviceID";
}

// The stored identifier, or a new one stored and synchronised; `created` tells which.
std::string readOrCreateDeviceID(bool& created) {
    auto& defaults = platform::foundation::UserDefaults::standard();
    const std::string key = deviceIDKey();
    if (auto stored = defaults.objectForKey(key); stored.isText()) {
        created = false;
        return stored.text();
    }
    std::string identifier = platform::foundation::uuidString();
    defaults.setObject(platform::foundation::Value(identifier), key);
    defaults.synchronize();
    created = true;
    return identifier;
}

}  // namespace

bool ensureDeviceID() {
    bool created = false;
    readOrCreateDeviceID(created);
    return created;
}

std::string deviceID() {
    bool created = false;
    return readOrCreateDeviceID(created);
}

}  // namespace common
