#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "glasses/GlassReport.h"
#include "glasses/GlassReportDecode.h"

using glass_report::writeF32;
using glass_report::writeU16;

namespace {

using Report = std::array<uint8_t, 64>;

Report reply(uint16_t command, uint16_t subcommand) {
    Report report{};
    writeU16(report, 0, 0x0040);
    writeU16(report, 8, command);
    writeU16(report, 10, subcommand);
    return report;
}

template <class Record>
Record decodeAs(int32_t mode, std::span<const uint8_t> report) {
    const GlassReportRecord record = decodeGlassReport(mode, report);
    EXPECT_TRUE(std::holds_alternative<Record>(record)) << "index " << record.index();
    return std::holds_alternative<Record>(record) ? std::get<Record>(record) : Record{};
}

bool ignored(int32_t mode, std::span<const uint8_t> report) {
    return std::holds_alternative<GlassReportIgnored>(decodeGlassReport(mode, report));
}

TEST(GlassReportDecode, ImuSampleReadsByGeneration) {
    Report sample{};
    writeU16(sample, 0, 0x0020);
    writeF32(sample, 28, -0.25f);
    writeF32(sample, 32, 0.5f);
    writeF32(sample, 36, 1e-3f);
    writeF32(sample, 40, 1.0f);
    EXPECT_EQ(decodeAs<GlassOrientationSample>(1, sample).quaternion,
              (std::array<float, 4>{-0.25f, 0.5f, 1e-3f, 1.0f}));

    // The same bytes read as little-endian signed 16-bit values in the second generation.
    Report raw{};
    writeU16(raw, 0, 0x0020);
    const std::array<uint8_t, 14> bytes{0xFF, 0xFF, 0x02, 0x00, 0xFD, 0xFF, 0x04,
                                        0x00, 0xFB, 0xFF, 0x06, 0x00, 0x00, 0x80};
    std::copy(bytes.begin(), bytes.end(), raw.begin() + 28);
    const GlassRawImuSample second = decodeAs<GlassRawImuSample>(2, raw);
    EXPECT_EQ(second.at28, (std::array<int32_t, 3>{-1, 2, -3}));
    EXPECT_EQ(second.at34, (std::array<int32_t, 3>{4, -5, 6}));
    EXPECT_EQ(second.at40, -32768);

    EXPECT_TRUE(ignored(0, sample));
    EXPECT_TRUE(ignored(3, sample));
}

TEST(GlassReportDecode, SmallCommandReplies) {
    Report immersion = reply(2, 9);
    immersion[12] = 0xC8;
    EXPECT_EQ(decodeAs<GlassImmersionReply>(2, immersion).value, 0xC8);

    Report wear = reply(5, 2);
    writeU16(wear, 14, 0x013D);
    writeU16(wear, 16, 66);
    const GlassWearThresholdsReply thresholds = decodeAs<GlassWearThresholdsReply>(1, wear);
    EXPECT_EQ(thresholds.first, 0x013D);
    EXPECT_EQ(thresholds.second, 66);

    Report display = reply(0x10, 7);
    writeU16(display, 12, 0xFFFE);
    EXPECT_EQ(decodeAs<GlassDisplayStatusReply>(2, display).status, 0xFFFE);

    Report presence = reply(0x0F, 4);
    presence[13] = 2;
    decodeAs<GlassPresenceReply>(2, presence);
    presence[13] = 1;
    EXPECT_TRUE(ignored(2, presence));

    EXPECT_TRUE(ignored(2, reply(2, 8)));  // a known command, another subcommand
    EXPECT_TRUE(ignored(2, reply(0x99, 9)));
    Report unknownKind = immersion;
    writeU16(unknownKind, 0, 0x0041);
    EXPECT_TRUE(ignored(2, unknownKind));
}

TEST(GlassReportDecode, VersionTextIsBoundedByTheTextAreaAndTheReport) {
    Report report = reply(8, 1);
    const std::string tag = "TAVRO2_FW_V1.65";
    writeU16(report, 12, static_cast<uint16_t>(tag.size()));
    std::copy(tag.begin(), tag.end(), report.begin() + 14);
    report[51] = 'p';
    GlassVersionReply version = decodeAs<GlassVersionReply>(2, report);
    EXPECT_EQ(std::string(version.text.begin(), version.text.begin() + version.length), tag);
    EXPECT_EQ(version.imuId, 'p');
    report[51] = 'c';  // only 'p' and 'C' name an IMU
    EXPECT_EQ(decodeAs<GlassVersionReply>(2, report).imuId, 0);

    std::fill(report.begin() + 14, report.end(), 'A');
    writeU16(report, 12, 0xFFFF);
    version = decodeAs<GlassVersionReply>(2, report);
    EXPECT_EQ(version.length, 38u);
    EXPECT_EQ(version.imuId, 0);

    // A report that ends inside the text area gives the text up to its end, and no IMU.
    const std::vector<uint8_t> cut(report.begin(), report.begin() + 20);
    version = decodeAs<GlassVersionReply>(2, cut);
    EXPECT_EQ(version.length, 6u);
    const std::vector<uint8_t> lengthOnly(report.begin(), report.begin() + 14);
    EXPECT_EQ(decodeAs<GlassVersionReply>(2, lengthOnly).length, 0u);
}

TEST(GlassReportDecode, OffsetsComeInTheServersOrderWithNaNKept) {
    Report report = reply(0x0C, 4);
    writeF32(report, 16, 1);
    writeF32(report, 24, 2);
    writeF32(report, 32, 3);
    writeF32(report, 40, std::nanf(""));
    writeF32(report, 44, 5);
    writeF32(report, 48, 6);
    const GlassOffsetsReply offsets = decodeAs<GlassOffsetsReply>(2, report);
    EXPECT_TRUE(std::isnan(offsets.values[0]));
    EXPECT_EQ((std::array<float, 5>{offsets.values[1], offsets.values[2], offsets.values[3],
                                    offsets.values[4], offsets.values[5]}),
              (std::array<float, 5>{5, 6, 1, 2, 3}));
}

TEST(GlassReportDecode, BiasEntryValuesStartWhereTheTypeSays) {
    Report report = reply(0x0C, 6);
    report[12] = 1;
    report[13] = 0x30;
    report[14] = 16;
    for (size_t i = 0; i < 5; ++i) writeF32(report, 16 + 4 * i, 10.0f + static_cast<float>(i));
    GlassBiasReply entry = decodeAs<GlassBiasReply>(2, report);
    EXPECT_EQ(entry.type, 1);
    EXPECT_EQ(entry.offset, 0x30);
    EXPECT_EQ(entry.length, 16);
    EXPECT_EQ((std::array<float, 4>{entry.temperature, entry.x, entry.y, entry.z}),
              (std::array<float, 4>{10, 11, 12, 13}));

    report[12] = 2;
    entry = decodeAs<GlassBiasReply>(2, report);
    EXPECT_EQ((std::array<float, 4>{entry.temperature, entry.x, entry.y, entry.z}),
              (std::array<float, 4>{11, 12, 13, 14}));

    report[12] = 3;  // still an answered entry, without values
    entry = decodeAs<GlassBiasReply>(2, report);
    EXPECT_EQ(entry.type, 3);
    EXPECT_EQ(entry.temperature, 0.0f);
}

TEST(GlassReportDecode, ReportsTooShortForTheirFieldsAreIgnored) {
    Report sample{};
    writeU16(sample, 0, 0x0020);
    Report bias = reply(0x0C, 6);
    bias[12] = 2;
    Report offsets = reply(0x0C, 4);
    Report wear = reply(5, 2);
    Report display = reply(0x10, 7);
    Report immersion = reply(2, 9);
    // Each report, cut one byte short of the last field it needs.
    const std::vector<std::pair<Report, size_t>> cases{
        {sample, 43},  {sample, 1},     {bias, 35},        {offsets, 51},        {wear, 17},
        {display, 13}, {immersion, 12}, {reply(8, 1), 13}, {reply(0x0F, 4), 13}, {reply(2, 9), 11},
    };
    for (const auto& [report, size] : cases) {
        EXPECT_TRUE(ignored(1, std::span<const uint8_t>(report).first(size)))
            << "command " << int{report[8]} << " size " << size;
        EXPECT_TRUE(ignored(2, std::span<const uint8_t>(report).first(size)));
    }
    EXPECT_TRUE(ignored(1, {}));
}

}  // namespace
