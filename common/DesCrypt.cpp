#include "common/DesCrypt.h"

#include <exception>
#include <span>
#include <vector>

#include "common/DesCipher.h"
#include "common/MF_Base64Codec.h"
#include "common/Utf8Text.h"

namespace common {

namespace {

constexpr size_t kLineLength = 64;

std::span<const uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string withLineBreaks(const std::string& base64) {
    std::string out;
    out.reserve(base64.size() + base64.size() / kLineLength * 2);
    for (size_t index = 0; index < base64.size(); index += kLineLength) {
        if (index > 0) out += "\r\n";
        out.append(base64, index, kLineLength);
    }
    return out;
}

}  // namespace

std::optional<std::string> desCrypt(int operation, std::string_view key, std::string_view input) {
    return desCrypt(operation, key, input, DesCipher::shared());
}

std::optional<std::string> desCrypt(int operation, std::string_view key, std::string_view input,
                                    const DesCipher& cipher) {
    if (operation != kDesEncrypt && operation != kDesDecrypt) return std::nullopt;
    if (key.size() < DesCipher::kKeyLength) return std::nullopt;
    auto keySpan = bytesOf(key.substr(0, DesCipher::kKeyLength));
    try {
        if (operation == kDesEncrypt) {
            auto encrypted = cipher.run(true, keySpan, keySpan, bytesOf(input));
            if (!encrypted) return std::nullopt;
            auto base64 = MF_Base64Codec::base64StringFromData(*encrypted);
            if (!base64) return std::nullopt;
            return withLineBreaks(*base64);
        }
        auto encrypted = MF_Base64Codec::dataFromBase64String(input);
        if (!encrypted || encrypted->empty()) return std::nullopt;
        auto decrypted = cipher.run(false, keySpan, keySpan, *encrypted);
        if (!decrypted) return std::nullopt;
        return textFromUtf8Bytes(*decrypted);
    } catch (const std::exception&) {
        return std::nullopt;  // only allocation can fail here
    }
}

}  // namespace common
