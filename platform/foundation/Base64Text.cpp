#include "platform/foundation/Base64Text.h"

#include <array>

namespace platform::foundation::base64text {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr int8_t kInvalid = -1;

constexpr std::array<int8_t, 256> makeReverse() {
    std::array<int8_t, 256> table{};
    for (auto& entry : table) entry = kInvalid;
    for (int i = 0; i < 64; ++i) table[static_cast<uint8_t>(kAlphabet[i])] = static_cast<int8_t>(i);
    return table;
}

constexpr std::array<int8_t, 256> kReverse = makeReverse();

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

}  // namespace

std::string encode(std::span<const uint8_t> bytes, size_t lineLength) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4 + (lineLength ? bytes.size() / lineLength + 1 : 0));
    size_t column = 0;
    auto put = [&](char c) {
        if (lineLength != 0 && column == lineLength) {
            out.push_back('\n');
            column = 0;
        }
        out.push_back(c);
        ++column;
    };
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        uint32_t group = (uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        put(kAlphabet[(group >> 18) & 63]);
        put(kAlphabet[(group >> 12) & 63]);
        put(kAlphabet[(group >> 6) & 63]);
        put(kAlphabet[group & 63]);
    }
    size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t group = uint32_t{bytes[i]} << 16;
        if (rest == 2) group |= uint32_t{bytes[i + 1]} << 8;
        put(kAlphabet[(group >> 18) & 63]);
        put(kAlphabet[(group >> 12) & 63]);
        put(rest == 2 ? kAlphabet[(group >> 6) & 63] : '=');
        put('=');
    }
    return out;
}

std::optional<std::vector<uint8_t>> decode(std::string_view text) {
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    uint32_t group = 0;
    int count = 0;    // sextets in the current group
    int padding = 0;  // '=' seen; only more padding and whitespace may follow
    for (char c : text) {
        if (isSpace(c)) continue;
        if (c == '=') {
            // Padding only completes a group that already holds two or three sextets.
            if (count + padding < 2) return std::nullopt;
            ++padding;
            if (count + padding > 4) return std::nullopt;
            continue;
        }
        if (padding > 0) return std::nullopt;
        int8_t sextet = kReverse[static_cast<uint8_t>(c)];
        if (sextet == kInvalid) return std::nullopt;
        group = (group << 6) | static_cast<uint32_t>(sextet);
        if (++count == 4) {
            out.push_back(static_cast<uint8_t>(group >> 16));
            out.push_back(static_cast<uint8_t>(group >> 8));
            out.push_back(static_cast<uint8_t>(group));
            group = 0;
            count = 0;
        }
    }
    // A trailing group of one sextet cannot carry a whole byte.
    if (count == 1) return std::nullopt;
    if (count == 2) {
        out.push_back(static_cast<uint8_t>(group >> 4));
    } else if (count == 3) {
        out.push_back(static_cast<uint8_t>(group >> 10));
        out.push_back(static_cast<uint8_t>(group >> 2));
    }
    return out;
}

}  // namespace platform::foundation::base64text
