#pragma once
// Reading bytes as UTF-8 text the way the platform's text class does: bytes that are not
// well-formed UTF-8 (overlong forms, surrogates, truncated sequences) give no text.
// Pure function, thread-safe.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace common {

std::optional<std::string> textFromUtf8Bytes(std::span<const uint8_t> bytes);

}  // namespace common
