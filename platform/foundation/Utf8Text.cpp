#include "platform/foundation/Utf8Text.h"

namespace platform::foundation::utf8text {

namespace {
constexpr uint32_t kReplacement = 0xFFFD;
bool isHighSurrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
}  // namespace

void appendCodePoint(std::string& out, uint32_t codePoint) {
    if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) {
        codePoint = kReplacement;
    }
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

std::string fromUtf16(std::span<const uint8_t> bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    auto unitAt = [&](size_t i) -> uint32_t {
        return bigEndian ? (uint32_t{bytes[i]} << 8) | bytes[i + 1]
                         : (uint32_t{bytes[i + 1]} << 8) | bytes[i];
    };
    size_t i = 0;
    while (i + 1 < bytes.size()) {
        uint32_t unit = unitAt(i);
        i += 2;
        if (isHighSurrogate(unit) && i + 1 < bytes.size() && isLowSurrogate(unitAt(i))) {
            uint32_t low = unitAt(i);
            i += 2;
            appendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else {
            appendCodePoint(out, unit);  // a lone surrogate turns into U+FFFD there
        }
    }
    if (i < bytes.size()) appendCodePoint(out, kReplacement);
    return out;
}

}  // namespace platform::foundation::utf8text
