#pragma once
// The names of the virtual-display preference keys; the raw value of a case is its key
// text. Any thread.

enum class DisplayPrefKey {
    display,
    serial,
    isConnected,
    associatedDisplayPrefsId,
    associatedDisplayName,
    appAlreadyLaunched,
    numOfDummyDisplays,
    buildNumber,
    startAtLogin,
    hideMenuIcon,
    reconnectAfterSleep,
    disableTempSleep,
    SUEnableAutomaticChecks,
    isBetaChannel,
    enable16K,
    hideLowResolutionOption,
    alwaysUseSerialForDisplayPrefsId,
    enableSliderSnap,
    showTickMarks,
};

const char* rawValue(DisplayPrefKey key);
