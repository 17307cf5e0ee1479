#include "display/ScreenRecognition.h"
#include "platform/screens/DisplayServices.h"

bool isScreenLocked() {
    auto session = platform::screens::sessionCopyCurrentDictionary();
    if (!session) return false;
    auto entry = session->find("CGSSessionScreenIsLocked");
    if (entry == session->end() || !entry->second.isBoolean()) return false;
    return entry->second.asBool();
}
