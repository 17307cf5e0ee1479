#pragma once
// UTF-8 and UTF-16 helpers for the text formats the foundation reads. Internal to the
// foundation library; pure functions, thread-safe.

#include <cstdint>
#include <span>
#include <string>

namespace platform::foundation::utf8text {

// Appends the UTF-8 form of a code point; surrogates and values beyond U+10FFFF become
// U+FFFD, so the output is always valid UTF-8.
void appendCodePoint(std::string& out, uint32_t codePoint);

// UTF-16 (the given byte order) to UTF-8. Unpaired surrogates and a final odd byte become
// U+FFFD rather than an error: the text around them is still worth reading.
std::string fromUtf16(std::span<const uint8_t> bytes, bool bigEndian);

}  // namespace platform::foundation::utf8text
