#include "glasses/FirmwareFile.h"

#include <algorithm>

#include "glasses/IspPacket.h"

namespace {

int32_t i32At(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<int32_t>(isp::u32At(bytes, offset));
}

}  // namespace

uint32_t firmwareChecksum(std::span<const uint8_t> bytes) {
    uint32_t sum = 0;
    for (uint8_t byte : bytes) sum += byte;
    return sum;
}

FirmwareFile parseFirmwareFile(std::span<const uint8_t> bytes, bool withHeader) {
    FirmwareFile file;
    file.withHeader = withHeader;
    if (withHeader) {
        if (bytes.size() < sizeof(FirmwareHeaderLead)) return file;
        file.headerLength = i32At(bytes, 0);
        file.versionLength = i32At(bytes, 4);
        const auto header = static_cast<size_t>(std::max(file.headerLength, 0));
        const auto version = static_cast<size_t>(std::max(file.versionLength, 0));
        // The header must hold its own fixed fields and the version text, and the file
        // must hold the header.
        if (file.headerLength > kFirmwareHeaderLimit || file.versionLength < 0 ||
            file.versionLength > kFirmwareVersionLimit ||
            header < sizeof(FirmwareHeaderLead) + version + sizeof(FirmwareHeaderTail) ||
            bytes.size() < header) {
            return file;
        }
        for (size_t i = 0; i < version; ++i) {
            file.version[i] = static_cast<char>(bytes[sizeof(FirmwareHeaderLead) + i] ^ 0x80);
        }
        const size_t tail = sizeof(FirmwareHeaderLead) + version;
        file.expectedChecksum = isp::u32At(bytes, tail);
        file.imageLength = i32At(bytes, tail + 4);
        if (file.imageLength < 0) return file;
        file.imageOffset = header;
    } else {
        file.imageLength = static_cast<int64_t>(bytes.size());
    }
    const size_t present = bytes.size() - file.imageOffset;
    file.imageBytesPresent =
        static_cast<size_t>(std::min<int64_t>(file.imageLength, static_cast<int64_t>(present)));
    if (static_cast<int64_t>(file.imageBytesPresent) < file.imageLength) {
        file.error = FirmwareFileError::ShortImage;
        return file;
    }
    file.computedChecksum = firmwareChecksum(file.image(bytes));
    file.error = file.computedChecksum == file.expectedChecksum
                     ? FirmwareFileError::None
                     : FirmwareFileError::ChecksumMismatch;
    return file;
}
