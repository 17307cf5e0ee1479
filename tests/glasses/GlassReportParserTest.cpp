#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <mutex>
#include <optional>

#include "common/AppIdentifier.h"
#include "glasses/GlassReport.h"
#include "glasses/GlassReportParser.h"
#include "glasses/GlassReportState.h"
#include "localnet/TavroLocalServer.h"
#include "platform/foundation/NotificationCenter.h"

using glass_report::writeF32;
using glass_report::writeU16;
using platform::foundation::Value;

namespace {

using Report = std::array<uint8_t, 64>;

Report reply(uint16_t command, uint16_t subcommand) {
    Report report{};
    writeU16(report, 0, 0x0040);
    writeU16(report, 8, command);
    writeU16(report, 10, subcommand);
    return report;
}

Report biasReply(uint8_t type, uint8_t offset, std::array<float, 4> values) {
    Report report = reply(0x0C, 6);
    report[12] = type;
    report[13] = offset;
    report[14] = type == 1 ? 16 : 20;
    const size_t first = type == 1 ? 16 : 20;
    for (size_t i = 0; i < 4; ++i) writeF32(report, first + 4 * i, values[i]);
    return report;
}

// What one parse hands back, with the out-arguments pre-set to markers so that untouched
// ones show.
struct Parsed {
    std::array<float, 4> quaternion{-7, -7, -7, -7};
    std::array<int32_t, 3> at34{-7, -7, -7};
    std::array<int32_t, 3> at28{-7, -7, -7};
    int32_t at40 = -7;
    std::array<uint8_t, 100> text{};
    uint32_t length = 999;
    std::string versionBytes() const { return std::string(text.begin(), text.begin() + length); }
};

Parsed parse(int32_t mode, std::span<const uint8_t> report) {
    Parsed out;
    parse_glass_report(mode, report, out.quaternion[0], out.quaternion[1], out.quaternion[2],
                       out.quaternion[3], out.at34, out.at28, out.at40, out.text, out.length);
    return out;
}

class GlassReportParserTest : public ::testing::Test {
  protected:
    void SetUp() override { resetServer(); }
    void TearDown() override { resetServer(); }
    static void resetServer() {
        server().setBiasCount(0);
        server().biasArray()->removeAllObjects();
        server().setBiasDict(std::nullopt);
        server().setImu_id(0);
    }
    static TavroLocalServer& server() { return TavroLocalServer::shareManager(); }
};

TEST_F(GlassReportParserTest, ImuSamplesByMode) {
    Report sample{};
    writeU16(sample, 0, 0x0020);
    for (size_t i = 0; i < 4; ++i) writeF32(sample, 28 + 4 * i, 0.5f + static_cast<float>(i));

    Parsed first = parse(1, sample);
    EXPECT_EQ(first.quaternion, (std::array<float, 4>{0.5f, 1.5f, 2.5f, 3.5f}));
    EXPECT_EQ(first.at40, -7);
    EXPECT_EQ(glass_report_state::lastOrientation()[3], 3.5f);

    Report raw{};
    writeU16(raw, 0, 0x0020);
    const int16_t values[7] = {-1, 2, -3, 4, -5, 6, -32768};
    for (size_t i = 0; i < 7; ++i) writeU16(raw, 28 + 2 * i, static_cast<uint16_t>(values[i]));
    Parsed second = parse(2, raw);
    EXPECT_EQ(second.at28, (std::array<int32_t, 3>{-1, 2, -3}));
    EXPECT_EQ(second.at34, (std::array<int32_t, 3>{4, -5, 6}));
    EXPECT_EQ(second.at40, -32768);
    EXPECT_EQ(second.quaternion[0], -7);
    EXPECT_EQ(glass_report_state::lastOrientation()[3], 3.5f);  // mode 2 leaves it
    EXPECT_EQ(glass_report_state::lastMode(), 2);

    Parsed other = parse(3, sample);
    EXPECT_EQ(other.quaternion[0], -7);
    EXPECT_EQ(glass_report_state::lastMode(), 3);
}

TEST_F(GlassReportParserTest, VersionReplyCopiesItsTextAndSetsTheImuIdentifier) {
    Report report = reply(8, 1);
    const std::string tag = "tavro2_fw_v1.65";
    writeU16(report, 12, static_cast<uint16_t>(tag.size()));
    std::copy(tag.begin(), tag.end(), report.begin() + 14);
    report[51] = 'C';
    Parsed out = parse(2, report);
    EXPECT_EQ(out.versionBytes(), tag);
    EXPECT_EQ(server().imu_id(), 67);

    report[51] = 'p';
    parse(2, report);
    EXPECT_EQ(server().imu_id(), 112);
    report[51] = 'x';
    parse(2, report);
    EXPECT_EQ(server().imu_id(), 0);

    writeU16(report, 12, 0);
    EXPECT_EQ(parse(2, report).length, 0u);
}

TEST_F(GlassReportParserTest, VersionLengthNeverReachesPastTheReportOrTheBuffer) {
    Report report = reply(8, 1);
    std::fill(report.begin() + 14, report.end(), 'A');
    writeU16(report, 12, 0xFFFF);
    EXPECT_EQ(parse(2, report).length, 38u);  // the text area, 14 to 51

    std::array<uint8_t, 20> shortReport{};
    std::copy_n(report.begin(), shortReport.size(), shortReport.begin());
    EXPECT_EQ(parse(2, shortReport).length, 6u);

    float a = 0, b = 0, c = 0, d = 0;
    std::array<int32_t, 3> x{}, y{};
    int32_t z = 0;
    std::array<uint8_t, 4> tiny{};
    uint32_t length = 0;
    parse_glass_report(2, report, a, b, c, d, x, y, z, tiny, length);
    EXPECT_EQ(length, 4u);
}

TEST_F(GlassReportParserTest, ShortAndEmptyReportsAreDroppedSafely) {
    for (size_t size : {0, 1, 2, 11, 12, 13, 30, 35, 43}) {
        std::vector<uint8_t> report(size, 0xFF);
        if (size >= 2) writeU16(report, 0, size % 2 ? 0x0020 : 0x0040);
        if (size >= 12) writeU16(report, 8, 0x0C), writeU16(report, 10, 6);
        Parsed out = parse(1, report);
        EXPECT_EQ(out.quaternion[0], -7) << size;
    }
    EXPECT_EQ(server().biasCount(), 0);
}

TEST_F(GlassReportParserTest, EighthBiasReplyCompletesTheTableWhateverItCarried) {
    for (uint8_t i = 0; i < 6; ++i) {
        parse(2, biasReply(1, static_cast<uint8_t>(i * 16), {20.0f + i, 0.1f, 0.2f, 0.3f}));
    }
    parse(2, biasReply(2, 0, {25.0f, -0.0f, 0.0f, 0.0f}));
    parse(2, biasReply(2, 20, {0.0f, -0.0f, 0.0f, 0.0f}));  // all zero: no entry
    EXPECT_EQ(server().biasCount(), 8);
    ASSERT_EQ(server().biasArray()->count(), 7u);
    auto table = server().biasDict();
    ASSERT_TRUE(table);
    EXPECT_EQ((*table)["type"], Value(9997));
    const Value entry = (*table)["value"].at(6);
    EXPECT_EQ(entry, Value(platform::foundation::ValueArray{2, 0, 20, 25.0f, 0.0f, 0.0f, 0.0f, 2}));

    // Later replies keep filling the same table; the dictionary is not rebuilt.
    parse(2, biasReply(1, 0, {std::numeric_limits<float>::infinity(), 0, 0, 0}));
    parse(2, biasReply(1, 0, {std::nanf(""), 1, 1, 1}));
    parse(2, biasReply(3, 0, {1, 1, 1, 1}));
    EXPECT_EQ(server().biasCount(), 11);
    EXPECT_EQ((*server().biasDict())["value"].count(), 8u);
}

TEST_F(GlassReportParserTest, OffsetRecordTurnsNaNIntoZero) {
    Report report = reply(0x0C, 4);
    const float values[6] = {1, 2, 3, std::nanf(""), 5, 6};  // at 16, 24, 32, 40, 44, 48
    const size_t offsets[6] = {16, 24, 32, 40, 44, 48};
    for (size_t i = 0; i < 6; ++i) writeF32(report, offsets[i], values[i]);
    parse(2, report);
    Value record = server().offsetDict();
    EXPECT_EQ(record["type"], Value(9998));
    EXPECT_EQ(record["value"],
              Value(platform::foundation::ValueArray{0.0f, 5.0f, 6.0f, 1.0f, 2.0f, 3.0f}));
}

TEST_F(GlassReportParserTest, WearThresholdsAndDisplayStatus) {
    Report thresholds = reply(5, 2);
    writeU16(thresholds, 14, 61);
    writeU16(thresholds, 16, 66);
    parse(2, thresholds);
    EXPECT_EQ(glass_report_state::wearThresholds().first, 61);
    EXPECT_EQ(glass_report_state::wearThresholds().second, 66);

    std::mutex mutex;
    std::optional<Value> status;
    auto& center = platform::foundation::NotificationCenter::defaultCenter();
    auto token = center.addObserver(common::AppIdentifier() + ".GlassDisplayStatus", std::nullopt,
                                    nullptr, [&](const platform::foundation::Notification& note) {
                                        std::lock_guard lock(mutex);
                                        status = note.object;
                                    });
    Report display = reply(0x10, 7);
    writeU16(display, 12, 0xFFFE);
    parse(2, display);
    token.reset();
    std::lock_guard lock(mutex);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, Value(0xFFFE));
}

TEST(QuaternionValidity, NaNNeverAndAllZeroNot) {
    EXPECT_FALSE(isQuaternionValid(0, 0, 0, 0));
    EXPECT_FALSE(isQuaternionValid(-0.0f, 0, 0, 0));
    EXPECT_FALSE(isQuaternionValid(1, std::nanf(""), 0, 0));
    EXPECT_TRUE(isQuaternionValid(0, 0, 0, -std::numeric_limits<float>::infinity()));
    EXPECT_TRUE(isQuaternionValid(0, 1e-30f, 0, 0));
}

}  // namespace
