#include <gtest/gtest.h>

#include <random>

#include "glasses/FirmwareFile.h"
#include "glasses/FirmwareFileWriter.h"

namespace {

std::vector<uint8_t> image(size_t length) {
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(0xF0 + i);
    return bytes;
}

void putI32(std::vector<uint8_t>& file, size_t offset, int32_t value) {
    for (int i = 0; i < 4; ++i) file[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(FirmwareFile, HeaderFieldsAndImageAreRead) {
    // Written out by hand: a 40-byte header, "FW1.2" with its top bits inverted, the image's
    // byte sum 0x1 + 0xFF + 0x80 and length 3, little-endian, zeros up to the image.
    std::vector<uint8_t> file = {0x28, 0,    0,    0,    0x05, 0, 0,    0, 0xC6, 0xD7, 0xB1,
                                 0xAE, 0xB2, 0x80, 0x01, 0,    0, 0x03, 0, 0,    0};
    file.resize(40, 0);
    file.insert(file.end(), {0x01, 0xFF, 0x80});
    const FirmwareFile parsed = parseFirmwareFile(file, true);
    ASSERT_EQ(parsed.error, FirmwareFileError::None);
    EXPECT_EQ(std::string(parsed.version.data()), "FW1.2");
    EXPECT_EQ(parsed.headerLength, 40);
    EXPECT_EQ(parsed.versionLength, 5);
    EXPECT_EQ(parsed.expectedChecksum, 0x180u);
    EXPECT_EQ(parsed.imageLength, 3);
    const auto body = parsed.image(file);
    EXPECT_EQ(std::vector<uint8_t>(body.begin(), body.end()),
              (std::vector<uint8_t>{1, 0xFF, 0x80}));
    // The writer the build uses for the shipped images writes those same bytes.
    EXPECT_EQ(encodeFirmwareFile("FW1.2", std::vector<uint8_t>{1, 0xFF, 0x80}, 40), file);
    // Without the header the whole file is the image, expected to sum to 0.
    EXPECT_EQ(parseFirmwareFile(file, false).error, FirmwareFileError::ChecksumMismatch);
    EXPECT_EQ(parseFirmwareFile(std::vector<uint8_t>(10, 0), false).error, FirmwareFileError::None);
    // A 64-byte version fills its field without a terminator.
    const FirmwareFile longest =
        parseFirmwareFile(encodeFirmwareFile(std::string(64, 'V'), {}), true);
    ASSERT_EQ(longest.error, FirmwareFileError::None);
    EXPECT_EQ(std::string(longest.version.begin(), longest.version.end()), std::string(64, 'V'));
}

TEST(FirmwareFile, LengthsBeyondTheFormatsLimitsOrTheBytesAreRefused) {
    const auto good = encodeFirmwareFile("TAVRO2_FW_V1.65", image(100));
    struct Case {
        const char* what;
        size_t offset;
        int32_t value;
        FirmwareFileError error;
    };
    const size_t tail = 8 + 15;
    for (const Case& c : {
             Case{"header above 512", 0, 513, FirmwareFileError::BadHeader},
             Case{"negative header", 0, -1, FirmwareFileError::BadHeader},
             Case{"header shorter than its fields", 0, 20, FirmwareFileError::BadHeader},
             Case{"header beyond the file", 0, 512, FirmwareFileError::BadHeader},
             Case{"version above 64", 4, 65, FirmwareFileError::BadHeader},
             Case{"negative version", 4, -3, FirmwareFileError::BadHeader},
             Case{"negative image", tail + 4, -1, FirmwareFileError::BadHeader},
             Case{"image beyond the file", tail + 4, 101, FirmwareFileError::ShortImage},
             Case{"huge image", tail + 4, 0x7FFFFFFF, FirmwareFileError::ShortImage},
             Case{"wrong checksum", tail, 12345, FirmwareFileError::ChecksumMismatch},
         }) {
        SCOPED_TRACE(c.what);
        auto file = good;
        putI32(file, c.offset, c.value);
        EXPECT_EQ(parseFirmwareFile(file, true).error, c.error);
    }
    for (size_t cut = 0; cut < 8; ++cut) {
        EXPECT_EQ(parseFirmwareFile(std::span(good).first(cut), true).error,
                  FirmwareFileError::BadHeader);
    }
}

TEST(FirmwareFile, MangledFilesNeverParseOutsideTheirBytes) {
    const auto good = encodeFirmwareFile("TAVRO2PRO_FW_V1.53", image(700));
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        auto file = good;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < edits; ++i) {
            const size_t at = random() % (round % 3 == 0 ? 40 : file.size());
            file[at] = static_cast<uint8_t>(random());
        }
        file.resize(random() % (file.size() + 1));
        // An exactly sized copy, so that sanitizers see any read past the end.
        const std::vector<uint8_t> exact(file.begin(), file.end());
        const FirmwareFile parsed = parseFirmwareFile(exact, true);
        if (parsed.error != FirmwareFileError::None) continue;
        ASSERT_LE(parsed.imageOffset + parsed.imageBytesPresent, exact.size());
        ASSERT_EQ(firmwareChecksum(parsed.image(exact)), parsed.expectedChecksum);
    }
}

}  // namespace
