#include "glasses/GlassVersionText.h"

#include "common/Utf8Text.h"

std::string glassVersionText(std::span<const uint8_t> bytes) {
    auto decoded = common::textFromUtf8Bytes(bytes);
    if (!decoded) return {};
    std::string text;
    text.reserve(decoded->size());
    for (char byte : *decoded) {
        if (byte == '\0') continue;
        // Version tags are ASCII; other letters are kept as they come.
        text.push_back(byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - 'a' + 'A') : byte);
    }
    return text;
}
