// The archived-language reader on arbitrary bytes: it must answer a language or an error
// and never crash.

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/TavroLocalizationHelperArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto read = common::unarchiveLocalizationHelper(std::span<const uint8_t>(data, size));
    (void)read;
    return 0;
}
