#pragma once
// Base64 (RFC 4648) encoding and decoding of bytes, and conversion between the standard
// alphabet (with "=" padding) and the URL-safe one (without padding). The decoder is
// lenient: it skips every character outside the standard alphabet, so texts with line
// breaks or blanks decode as if those were absent.
//
// Class operations only, without state: thread-safe. Nothing throws.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace common {

class MF_Base64Codec {
  public:
    MF_Base64Codec() = delete;

    // Standard alphabet with padding; nothing when the output cannot be allocated.
    static std::optional<std::string> base64StringFromData(const std::vector<uint8_t>& data);
    // Nothing when the output cannot be allocated; a text holding a character outside
    // ASCII gives empty bytes.
    static std::optional<std::vector<uint8_t>> dataFromBase64String(std::string_view text);

    static std::string base64UrlEncodedStringFromBase64String(std::string_view text);
    static std::string base64StringFromBase64UrlEncodedString(std::string_view text);
};

}  // namespace common
