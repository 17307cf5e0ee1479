// Scenario files (JSON): any bytes give a scenario or an error, never a crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/sim/Scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto parsed =
        platform::sim::parseScenario(std::string_view(reinterpret_cast<const char*>(data), size));
    (void)parsed;
    return 0;
}
