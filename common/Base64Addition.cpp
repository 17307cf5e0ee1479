#include "common/Base64Addition.h"

#include "common/MF_Base64Codec.h"
#include "common/Utf8Text.h"

namespace common {

namespace {

std::optional<std::string> toUrlAlphabet(const std::optional<std::string>& base64) {
    if (!base64) return std::nullopt;
    return MF_Base64Codec::base64UrlEncodedStringFromBase64String(*base64);
}

}  // namespace

std::optional<std::string> base64String(std::string_view text) {
    return MF_Base64Codec::base64StringFromData(std::vector<uint8_t>(text.begin(), text.end()));
}

std::optional<std::string> base64UrlEncodedString(std::string_view text) {
    return toUrlAlphabet(base64String(text));
}

std::optional<std::string> stringFromBase64String(std::string_view base64) {
    auto bytes = MF_Base64Codec::dataFromBase64String(base64);
    if (!bytes) return std::nullopt;
    return textFromUtf8Bytes(*bytes);
}

std::optional<std::string> stringFromBase64UrlEncodedString(std::string_view base64Url) {
    return stringFromBase64String(
        MF_Base64Codec::base64StringFromBase64UrlEncodedString(base64Url));
}

std::optional<std::vector<uint8_t>> dataWithBase64String(std::string_view base64) {
    return MF_Base64Codec::dataFromBase64String(base64);
}

std::optional<std::vector<uint8_t>> dataWithBase64UrlEncodedString(std::string_view base64Url) {
    return dataWithBase64String(MF_Base64Codec::base64StringFromBase64UrlEncodedString(base64Url));
}

std::optional<std::string> base64String(const std::vector<uint8_t>& data) {
    return MF_Base64Codec::base64StringFromData(data);
}

std::optional<std::string> base64UrlEncodedString(const std::vector<uint8_t>& data) {
    return toUrlAlphabet(base64String(data));
}

}  // namespace common
