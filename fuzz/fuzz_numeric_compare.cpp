// Version texts come from the glasses: any two byte strings must compare without fault,
// and the order must be antisymmetric.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "glasses/NumericCompare.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t split = size / 2;
    const std::string_view a = bytes.substr(0, split);
    const std::string_view b = bytes.substr(split);
    const int forward = numericCompare(a, b);
    const int backward = numericCompare(b, a);
    if ((forward < 0) != (backward > 0) || (forward == 0) != (backward == 0)) std::abort();
    return 0;
}
