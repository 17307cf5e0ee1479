#pragma once
// Base64 text for the <data> elements of property lists. Internal to the foundation
// library. Pure functions, thread-safe.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::foundation::base64text {

// Standard alphabet with '=' padding. A line break is put after every `lineLength`
// characters (0: one line), as plist writers keep long data readable.
std::string encode(std::span<const uint8_t> bytes, size_t lineLength = 0);

// Whitespace anywhere is skipped, and the final padding may be missing. Null when a
// character is outside the alphabet or the padding is misplaced.
std::optional<std::vector<uint8_t>> decode(std::string_view text);

}  // namespace platform::foundation::base64text
