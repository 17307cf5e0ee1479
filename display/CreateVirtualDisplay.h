#pragma once
// Creates a virtual display for a definition: descriptor (name, colour primaries, size of
// a 24-inch diagonal, serial, product and vendor 0xF0F0), one mode per multiplier, settings;
// the display is registered in virtualDisplayRegistry under its serial. Null when the
// platform cannot make it. Caller's thread (the main thread).

#include <memory>
#include <string>

#include "display/DummyDefinition.h"
#include "platform/screens/VirtualDisplay.h"

constexpr uint32_t kDummyVendorID = 0xF0F0;

std::shared_ptr<platform::screens::VirtualDisplay> createVirtualDisplay(
    const DummyDefinition& definition, const std::string& name, uint32_t serialNum, bool hiDPI);

// The descriptor createVirtualDisplay gives the platform for a definition.
platform::screens::VirtualDisplayDescriptor dummyDescriptor(const DummyDefinition& definition,
                                                            const std::string& name,
                                                            uint32_t serialNum);
