#include "common/MF_Base64Codec.h"

#include <array>
#include <exception>
#include <limits>
#include <new>

#include "platform/foundation/SystemInfo.h"

namespace common {

namespace {

constexpr char kEncodingTable[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint8_t kSkip = 255;

constexpr std::array<uint8_t, 256> makeDecodingTable() {
    std::array<uint8_t, 256> table{};
    table.fill(kSkip);
    for (uint8_t value = 0; value < 64; ++value) {
        table[static_cast<uint8_t>(kEncodingTable[value])] = value;
    }
    return table;
}
constexpr auto kDecodingTable = makeDecodingTable();

std::string encode(const std::vector<uint8_t>& data) {
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    size_t index = 0;
    for (; index + 3 <= data.size(); index += 3) {
        uint8_t b0 = data[index], b1 = data[index + 1], b2 = data[index + 2];
        out += kEncodingTable[b0 >> 2];
        out += kEncodingTable[((b0 & 3) << 4) | (b1 >> 4)];
        out += kEncodingTable[((b1 & 15) << 2) | (b2 >> 6)];
        out += kEncodingTable[b2 & 63];
    }
    size_t rest = data.size() - index;
    if (rest > 0) {
        uint8_t b0 = data[index];
        uint8_t b1 = rest == 2 ? data[index + 1] : 0;
        out += kEncodingTable[b0 >> 2];
        out += kEncodingTable[((b0 & 3) << 4) | (b1 >> 4)];
        if (rest == 2) out += kEncodingTable[(b1 & 15) << 2];
        out.append(rest == 1 ? 2 : 1, '=');
    }
    return out;
}

std::vector<uint8_t> decode(std::string_view text) {
    std::vector<uint8_t> out;
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return out;  // no ASCII form
    }
    out.reserve((text.size() + 3) / 4 * 3);
    uint8_t group[4];
    size_t filled = 0;
    for (char c : text) {
        if (c == '=') continue;
        uint8_t value = kDecodingTable[static_cast<unsigned char>(c)];
        if (value == kSkip) continue;
        group[filled++] = value;
        if (filled == 4) {
            out.push_back(static_cast<uint8_t>((group[0] << 2) | (group[1] >> 4)));
            out.push_back(static_cast<uint8_t>((group[1] << 4) | (group[2] >> 2)));
            out.push_back(static_cast<uint8_t>((group[2] << 6) | group[3]));
            filled = 0;
        }
    }
    // A lone trailing value carries fewer than 8 bits and is dropped.
    if (filled >= 2) out.push_back(static_cast<uint8_t>((group[0] << 2) | (group[1] >> 4)));
    if (filled == 3) out.push_back(static_cast<uint8_t>((group[1] << 4) | (group[2] >> 2)));
    return out;
}

}  // namespace

std::optional<std::string> MF_Base64Codec::base64StringFromData(const std::vector<uint8_t>& data) {
    if (data.size() / 3 + 1 > std::numeric_limits<size_t>::max() / 4) return std::nullopt;
    try {
        return encode(data);
    } catch (const std::exception& error) {
        platform::foundation::systemLog(
            std::string("WARNING: error occured while tring to encode base 32 data: ") +
            error.what());
        return std::nullopt;
    }
}

std::optional<std::vector<uint8_t>> MF_Base64Codec::dataFromBase64String(std::string_view text) {
    try {
        return decode(text);
    } catch (const std::exception& error) {
        platform::foundation::systemLog(
            std::string("WARNING: error occured while decoding base 32 string: ") + error.what());
        return std::nullopt;
    }
}

std::string MF_Base64Codec::base64UrlEncodedStringFromBase64String(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '=') continue;
        out += c == '+' ? '-' : c == '/' ? '_' : c;
    }
    return out;
}

std::string MF_Base64Codec::base64StringFromBase64UrlEncodedString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (char c : text) out += c == '-' ? '+' : c == '_' ? '/' : c;
    // A remainder of 1 cannot come from any encoding; it is left for the decoder to drop.
    switch (out.size() % 4) {
        case 2:
            out += "==";
            break;
        case 3:
            out += "=";
            break;
        default:
            break;
    }
    return out;
}

}  // namespace common
