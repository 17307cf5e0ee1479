#pragma once
// Base64 conveniences on texts and bytes: a text is encoded as its UTF-8 bytes, and a
// decoded text must be valid UTF-8. Each function is one or two steps of MF_Base64Codec.
// Pure functions, thread-safe.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace common {

// Texts.
std::optional<std::string> base64String(std::string_view text);
std::optional<std::string> base64UrlEncodedString(std::string_view text);
std::optional<std::string> stringFromBase64String(std::string_view base64);
std::optional<std::string> stringFromBase64UrlEncodedString(std::string_view base64Url);

// Bytes.
std::optional<std::vector<uint8_t>> dataWithBase64String(std::string_view base64);
std::optional<std::vector<uint8_t>> dataWithBase64UrlEncodedString(std::string_view base64Url);
std::optional<std::string> base64String(const std::vector<uint8_t>& data);
std::optional<std::string> base64UrlEncodedString(const std::vector<uint8_t>& data);

}  // namespace common
