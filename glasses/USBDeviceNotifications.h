#pragma once
// Names of the USB device monitor's notifications (default centre): "USBDeviceConnected"
// carries {"device": the USBDevice}, "USBDeviceDisconnected" carries {"id": the registry
// entry identifier}.

inline constexpr const char* kUSBDeviceConnected = "USBDeviceConnected";
inline constexpr const char* kUSBDeviceDisconnected = "USBDeviceDisconnected";
