#pragma once
// Writes the firmware file format that parseFirmwareFile reads: header length, version
// length, the version text with its top bits inverted, the image's byte sum and length,
// zero padding to the header length, then the image. Header-only, so that the build-time
// image generator needs no library. Pure; any thread.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

inline std::vector<uint8_t> encodeFirmwareFile(std::string_view version,
                                               std::span<const uint8_t> image,
                                               int32_t headerLength = 128) {
    std::vector<uint8_t> file;
    auto put32 = [&file](uint32_t value) {
        for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    uint32_t checksum = 0;
    for (uint8_t byte : image) checksum += byte;
    put32(static_cast<uint32_t>(headerLength));
    put32(static_cast<uint32_t>(version.size()));
    for (char c : version) file.push_back(static_cast<uint8_t>(c) ^ 0x80);
    put32(checksum);
    put32(static_cast<uint32_t>(image.size()));
    if (file.size() < static_cast<size_t>(headerLength)) file.resize(headerLength, 0);
    file.insert(file.end(), image.begin(), image.end());
    return file;
}
