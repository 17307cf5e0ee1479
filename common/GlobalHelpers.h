#pragma once
// Global questions and small actions of the application, one system facility each:
// accessibility trust, the online display count, notification posting, the persistent
// device identifier, the built-in display's brightness, System Settings panes, the local
// IPv4 networks, the processor brand, memory figures and the locale's region. On a machine
// without a facility they give their failure results (false, 0, an empty list, none).
//
// Any thread. checkAccessibility's pointer event is always posted from the main queue.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/capture/CaptureServices.h"
#include "platform/foundation/Value.h"

namespace common {

// Trusted for accessibility; the first untrusted answer also makes the system prompt and,
// 0.25 s later on the main queue, posts one pointer-moved event (once per process run) at
// the place `pointerLocation` gives then. The pointer belongs to the interface layer, which
// this library stays below, so the caller says where it is.
bool checkAccessibility(std::function<platform::capture::Point()> pointerLocation);
void postMouseMovedEvent(platform::capture::Point location);

// Online displays (at most 16); 0 when the list cannot be read.
uint32_t onlineDisplayCount();

void postNotification(const std::string& name,
                      const platform::foundation::Value& object = platform::foundation::Value());

// True when this call created the device identifier (the first run after installation).
bool ensureDeviceID();
std::string deviceID();

// Brightness of the built-in display whose identifier the application keeps (0: none, and
// the answer is 0 without asking the display services).
float builtinBrightness(uint32_t builtinDisplayID);

void openDisplaySettings();
void openScreenCapturePrivacySettings();

// "address/prefix" of every IPv4 address of an interface that is up and running and not
// the loopback, in the system's order.
std::vector<std::string> localIPv4Networks();
// Number of one bits of a dotted netmask as decimal text; "" when a part is negative.
std::string netmaskPrefixLength(const std::string& netmask);

// The processor brand, lower-cased ("apple m2"); "" when the machine does not tell.
std::string cpuBrandString();
// (resident size of this process, physical memory), both in bytes.
std::optional<std::pair<uint64_t, uint64_t>> residentMemory();
// True when the "AppleLocale" region is exactly "CN", or when no locale is set.
bool isChineseLocale();

}  // namespace common
