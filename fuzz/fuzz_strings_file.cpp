// ".strings" reader on arbitrary bytes: it must return a table or an error, and every
// error names its line.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/foundation/StringsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace platform::foundation;
    auto parsed = parseStringsFile(std::span<const uint8_t>(data, size));
    if (!parsed && parsed.error().localizedDescription.rfind("line ", 0) != 0) std::abort();
    return 0;
}
