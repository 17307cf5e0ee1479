// Any bytes as Base64 text: decoding never fails on them, gives at most three bytes per
// four characters, and what it gives encodes and decodes back to itself.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/Base64Addition.h"
#include "common/MF_Base64Codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto decoded = common::MF_Base64Codec::dataFromBase64String(text);
    if (!decoded) std::abort();
    if (decoded->size() > (size + 3) / 4 * 3) std::abort();
    auto encoded = common::MF_Base64Codec::base64StringFromData(*decoded);
    if (!encoded || common::MF_Base64Codec::dataFromBase64String(*encoded) != *decoded) {
        std::abort();
    }
    auto url = common::MF_Base64Codec::base64UrlEncodedStringFromBase64String(*encoded);
    if (common::dataWithBase64UrlEncodedString(url) != *decoded) std::abort();
    common::stringFromBase64String(text);
    common::stringFromBase64UrlEncodedString(text);
    return 0;
}
