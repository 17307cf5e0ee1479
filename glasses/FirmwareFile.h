#pragma once
// The firmware file format of the bootloader updates, parsed from its bytes: a header
// (header length, version-text length, the version text with every top bit inverted, the
// image checksum and the image length) and then the image. Outside input: every length is
// checked against the format's limits and the bytes present, so no file can make the
// parser read or write out of bounds. Pure; any thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr int32_t kFirmwareHeaderLimit = 512;
inline constexpr int32_t kFirmwareVersionLimit = 64;

// The fixed fields around the version text.
struct FirmwareHeaderLead {
    int32_t headerLength;
    int32_t versionLength;
};
struct FirmwareHeaderTail {
    uint32_t checksum;
    int32_t imageLength;
};
static_assert(sizeof(FirmwareHeaderLead) == 8 && sizeof(FirmwareHeaderTail) == 8);

enum class FirmwareFileError {
    None,
    BadHeader,         // lengths outside the format's limits, or a header cut short
    ShortImage,        // fewer image bytes than the header announces
    ChecksumMismatch,  // the image's byte sum is not the announced checksum
};

struct FirmwareFile {
    FirmwareFileError error = FirmwareFileError::BadHeader;
    bool withHeader = true;
    int32_t headerLength = 0;
    int32_t versionLength = 0;
    std::array<char, kFirmwareVersionLimit> version{};  // zero-filled, no terminator at 64
    uint32_t expectedChecksum = 0;
    int64_t imageLength = 0;
    size_t imageOffset = 0;
    size_t imageBytesPresent = 0;  // at most imageLength
    uint32_t computedChecksum = 0;

    // The image within the parsed bytes (only meaningful without an error).
    std::span<const uint8_t> image(std::span<const uint8_t> file) const {
        return file.subspan(imageOffset, imageBytesPresent);
    }
};

// Without the header the whole file is the image and its expected checksum is 0.
FirmwareFile parseFirmwareFile(std::span<const uint8_t> bytes, bool withHeader);

// The 32-bit sum of the bytes taken as unsigned.
uint32_t firmwareChecksum(std::span<const uint8_t> bytes);
