#include "display/DisplayPrefKey.h"

const char* rawValue(DisplayPrefKey key) {
    switch (key) {
        case DisplayPrefKey::display:
            return "display";
        case DisplayPrefKey::serial:
            return "serial";
        case DisplayPrefKey::isConnected:
            return "isConnected";
        case DisplayPrefKey::associatedDisplayPrefsId:
            return "associatedDisplayPrefsId";
        case DisplayPrefKey::associatedDisplayName:
            return "associatedDisplayName";
        case DisplayPrefKey::appAlreadyLaunched:
            return "appAlreadyLaunched";
        case DisplayPrefKey::numOfDummyDisplays:
            return "numOfDummyDisplays";
        case DisplayPrefKey::buildNumber:
            return "buildNumber";
        case DisplayPrefKey::startAtLogin:
            return "startAtLogin";
        case DisplayPrefKey::hideMenuIcon:
            return "hideMenuIcon";
        case DisplayPrefKey::reconnectAfterSleep:
            return "reconnectAfterSleep";
        case DisplayPrefKey::disableTempSleep:
            return "disableTempSleep";
        case DisplayPrefKey::SUEnableAutomaticChecks:
            return "SUEnableAutomaticChecks";
        case DisplayPrefKey::isBetaChannel:
            return "isBetaChannel";
        case DisplayPrefKey::enable16K:
            return "enable16K";
        case DisplayPrefKey::hideLowResolutionOption:
            return "hideLowResolutionOption";
        case DisplayPrefKey::alwaysUseSerialForDisplayPrefsId:
            return "alwaysUseSerialForDisplayPrefsId";
        case DisplayPrefKey::enableSliderSnap:
            return "enableSliderSnap";
        case DisplayPrefKey::showTickMarks:
            return "showTickMarks";
    }
    return "";
}
