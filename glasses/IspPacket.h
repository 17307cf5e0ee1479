#pragma once
// Wire layouts of the bootloader's in-system-programming protocol: the 65-byte request
// (report number, command, packet number, data) and the 64-byte reply (checksum echo,
// packet number, data), little-endian, and the command codes. Pure; any thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace isp {

inline constexpr size_t kRequestSize = 65;
inline constexpr size_t kReplySize = 64;

inline constexpr size_t kRequestCommandOffset = 1;
inline constexpr size_t kRequestNumberOffset = 5;
inline constexpr size_t kRequestDataOffset = 9;
inline constexpr size_t kRequestDataSize = 56;
static_assert(kRequestDataOffset + kRequestDataSize == kRequestSize);
static_assert(kRequestNumberOffset + 4 == kRequestDataOffset);

inline constexpr size_t kReplyChecksumOffset = 0;
inline constexpr size_t kReplyNumberOffset = 4;
inline constexpr size_t kReplyHeaderSize = 8;
// The bytes handed on start one past the reply's data field.
inline constexpr size_t kReplyDataOffset = 9;
static_assert(kReplyNumberOffset + 4 == kReplyHeaderSize);
static_assert(kReplyHeaderSize + 56 == kReplySize);
// The packet buffer holds a request and then a reply; the reply's hand-on window of
// (reply length - header) bytes from kReplyDataOffset must stay inside it.
static_assert(kReplyDataOffset + (kReplySize - kReplyHeaderSize) <= kRequestSize);

using Packet = std::array<uint8_t, kRequestSize>;

enum Command : uint32_t {
    kCmdUpdateAprom = 0xA0,
    kCmdUpdateConfig = 0xA1,
    kCmdReadConfig = 0xA2,
    kCmdSyncPackno = 0xA4,
    kCmdGetVersion = 0xA6,
    kCmdRunAprom = 0xAB,
    kCmdGetDeviceId = 0xB1,
    kCmdResend = 0xFF,
    kCmdContinuation = 0x00,
};

inline constexpr uint32_t kFirstPacketImageBytes = 48;
inline constexpr uint32_t kContinuationImageBytes = 56;

inline uint32_t u32At(std::span<const uint8_t> bytes, size_t offset) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4 && offset + i < bytes.size(); ++i) {
        value |= static_cast<uint32_t>(bytes[offset + i]) << (8 * i);
    }
    return value;
}

inline void putU32(std::span<uint8_t> bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4 && offset + i < bytes.size(); ++i) {
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// The low 16 bits of the plain byte sum.
inline uint16_t checksum16(std::span<const uint8_t> bytes) {
    uint32_t sum = 0;
    for (uint8_t byte : bytes) sum += byte;
    return static_cast<uint16_t>(sum);
}

}  // namespace isp
