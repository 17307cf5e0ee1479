#include "common/Utf8Text.h"

#include <unicode/utf8.h>

namespace common {

std::optional<std::string> textFromUtf8Bytes(std::span<const uint8_t> bytes) {
    const int32_t length = static_cast<int32_t>(bytes.size());
    if (bytes.size() != static_cast<size_t>(length)) return std::nullopt;
    for (int32_t index = 0; index < length;) {
        UChar32 codePoint;
        U8_NEXT(bytes.data(), index, length, codePoint);
        if (codePoint < 0) return std::nullopt;
    }
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace common
