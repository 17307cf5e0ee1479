#pragma once
// The byte layout of the glasses' command channel: every command leaves as an output report
// (report ID 2) holding one frame, and the glasses answer with input reports of the same
// layout or, while the IMU stream is on, with IMU samples. All fields are little-endian.
// Pure definitions; thread-safe.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

struct GlassReport {
    std::array<uint8_t, 2> kind;
    std::array<uint8_t, 6> reserved;
    std::array<uint8_t, 2> command;
    std::array<uint8_t, 2> subcommand;
    std::array<uint8_t, 52> payload;
};
static_assert(sizeof(GlassReport) == 64);
static_assert(offsetof(GlassReport, command) == 8);
static_assert(offsetof(GlassReport, subcommand) == 10);
static_assert(offsetof(GlassReport, payload) == 12);

namespace glass_report {

inline constexpr size_t kReportSize = sizeof(GlassReport);
// Builders fill this much of a frame; the rest of the sent report is left as it is.
inline constexpr size_t kFrameLength = 56;
inline constexpr uint8_t kOutputReportId = 2;

inline constexpr uint16_t kKindCommand = 0x0040;
inline constexpr uint16_t kKindImuSample = 0x0020;

inline constexpr size_t kKindOffset = offsetof(GlassReport, kind);
inline constexpr size_t kCommandOffset = offsetof(GlassReport, command);
inline constexpr size_t kSubcommandOffset = offsetof(GlassReport, subcommand);
inline constexpr size_t kPayloadOffset = offsetof(GlassReport, payload);

// The firmware version reply: a length, the text from offset 14, and the IMU identifier in
// the text area's last byte.
inline constexpr size_t kVersionLengthOffset = 12;
inline constexpr size_t kVersionTextOffset = 14;
inline constexpr size_t kVersionTextCapacity = 38;
inline constexpr size_t kImuIdOffset = 51;
static_assert(kVersionTextOffset + kVersionTextCapacity - 1 == kImuIdOffset);
static_assert(kImuIdOffset < kReportSize);

// The last byte a field of `width` bytes at `offset` occupies must lie in the report.
constexpr bool fits(size_t offset, size_t width) {
    return offset + width <= kReportSize;
}
static_assert(fits(40, 4) && fits(48, 4));

inline bool has(std::span<const uint8_t> bytes, size_t offset, size_t width) {
    return offset + width <= bytes.size();
}
inline uint16_t readU16(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}
inline int16_t readI16(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<int16_t>(readU16(bytes, offset));
}
inline float readF32(std::span<const uint8_t> bytes, size_t offset) {
    uint32_t raw = static_cast<uint32_t>(bytes[offset]) |
                   static_cast<uint32_t>(bytes[offset + 1]) << 8 |
                   static_cast<uint32_t>(bytes[offset + 2]) << 16 |
                   static_cast<uint32_t>(bytes[offset + 3]) << 24;
    return std::bit_cast<float>(raw);
}
inline void writeU16(std::span<uint8_t> bytes, size_t offset, uint16_t value) {
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}
inline void writeF32(std::span<uint8_t> bytes, size_t offset, float value) {
    uint32_t raw = std::bit_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(raw >> (8 * i));
}

}  // namespace glass_report
