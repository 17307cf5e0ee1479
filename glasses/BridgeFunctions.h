#pragma once
// Plain entry points for a host outside the application: the USB service object (start,
// 3D switch, log and position callbacks), the latest glasses orientation, the virtual
// displays of the display manager, and the Mac's network hardware address. Nothing in the
// application calls them. They run on the caller's thread; the callbacks run on the
// thread that hands the service its text or value.

#include <cstdint>
#include <span>
#include <string>

#include "platform/foundation/Value.h"

struct ifaddrs;

// Starts the service's own glasses server; 0. (The service has no shared virtual
// displays to ask for.)
int32_t bridge_start_service();
int64_t bridge_open_3d();
int64_t bridge_close_3d();
// A null function makes the service's block do nothing.
using BridgePositionCallback = void (*)(const platform::foundation::Value& value);
int32_t bridge_set_app_position_callback(BridgePositionCallback callback);
using BridgeLogCallback = void (*)(const char* text);
void bridge_set_log_callback(BridgeLogCallback callback);

// By the mode of the last glasses report: 2 fills `quat` from the head tracker, 1 copies
// the orientation cached from the last first-generation report; any other mode leaves it.
std::span<float, 4> bridge_get_quaternion(std::span<float, 4> quat);

// The display manager's operations on every virtual display, with its results. Creating
// them in one step has no provider, so it creates nothing and answers -1.
int64_t bridge_create_virtual_displays(bool superWide);
int64_t bridge_disconnect_virtual_displays();
int64_t bridge_connect_virtual_displays();
int64_t bridge_remove_virtual_displays();

// "%02x" of the value.
std::string hex_byte_string(uint32_t value);

// The hardware address of "en0" as six lower-case hexadecimal pairs joined by ":", or
// "00:00:00:00:00:00" when there is none.
std::string en0MacAddress();
// The same rule over a given interface list (the last matching link-layer entry wins).
std::string linkLayerAddressOf(const ifaddrs* list, const std::string& name);
