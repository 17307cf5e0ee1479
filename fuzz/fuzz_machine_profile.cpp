// The simulated Mac's machine profile (JSON, with its display fields): any bytes give a
// profile or an error, never a crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/sim/MachineProfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto parsed = platform::sim::parseMachineProfile(
        std::string_view(reinterpret_cast<const char*>(data), size));
    (void)parsed;
    return 0;
}
