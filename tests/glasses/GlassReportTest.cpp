#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "common/AppIdentifier.h"
#include "glasses/GlassReport.h"
#include "glasses/GlassReportDecode.h"
#include "glasses/GlassReportParser.h"
#include "glasses/GlassReportState.h"
#include "localnet/TavroLocalServer.h"
#include "tests/support/DeviceBytes.h"
#include "tests/support/NotificationRecorder.h"

using glass_report::writeF32;
using platform::foundation::Value;
using test_support::overlay;
using Report = test_support::Bytes;

namespace {

// A 64-byte answer to a command, with the runs written over it.
Report reply(uint8_t command, uint8_t subcommand, test_support::Runs runs = {}) {
    return overlay(test_support::frame(64, {{0, {0x40}}, {8, {command}}, {10, {subcommand}}}),
                   runs);
}

Report biasReply(uint8_t type, uint8_t offset, std::array<float, 4> values) {
    const uint8_t start = type == 1 ? 16 : 20;
    Report report = reply(0x0C, 6, {{12, {type, offset, start}}});
    for (size_t i = 0; i < 4; ++i) writeF32(report, start + 4 * i, values[i]);
    return report;
}

Report sample() {
    return test_support::frame(64, {{0, {0x20}}});
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

TEST(GlassReportDecode, SmallCommandReplies) {
    const Report immersion = reply(2, 9, {{12, {0xC8}}});
    EXPECT_EQ(decodeAs<GlassImmersionReply>(2, immersion).value, 0xC8);
    decodeAs<GlassPresenceReply>(2, reply(0x0F, 4, {{13, {2}}}));
    EXPECT_TRUE(ignored(2, reply(0x0F, 4, {{13, {1}}})));
    EXPECT_TRUE(ignored(2, reply(2, 8)));  // a known command, another subcommand
    EXPECT_TRUE(ignored(2, reply(0x99, 9)));
    EXPECT_TRUE(ignored(2, overlay(immersion, {{0, {0x41}}})));  // an unknown kind
}

TEST(GlassReportDecode, VersionTextIsBoundedByTheTextAreaAndTheReport) {
    const Report report = reply(8, 1, {{12, {0xFF, 0xFF}}, {14, Report(50, 'A')}, {51, {'C'}}});
    GlassVersionReply version = decodeAs<GlassVersionReply>(2, report);
    EXPECT_EQ(version.length, 38u);
    EXPECT_EQ(version.imuId, 'C');
    // A report that ends inside the text area gives the text up to its end, and no IMU.
    version = decodeAs<GlassVersionReply>(2, test_support::firstBytes(report, 20));
    EXPECT_EQ(version.length, 6u);
    EXPECT_EQ(version.imuId, 0);
    EXPECT_EQ(decodeAs<GlassVersionReply>(2, test_support::firstBytes(report, 14)).length, 0u);
}

TEST(GlassReportDecode, ReportsTooShortForTheirFieldsAreIgnored) {
    // Each report, cut one byte short of the last field it needs.
    const std::pair<Report, size_t> cases[] = {
        {sample(), 43},       {sample(), 1},        {biasReply(2, 0, {}), 35}, {reply(0x0C, 4), 51},
        {reply(5, 2), 17},    {reply(0x10, 7), 13}, {reply(2, 9), 12},         {reply(8, 1), 13},
        {reply(0x0F, 4), 13}, {reply(2, 9), 11}};
    for (const auto& [report, size] : cases) {
        EXPECT_TRUE(ignored(1, std::span<const uint8_t>(report).first(size)))
            << "command " << int{report[8]} << " size " << size;
        EXPECT_TRUE(ignored(2, std::span<const uint8_t>(report).first(size)));
    }
    EXPECT_TRUE(ignored(1, {}));
}

// The apply step. What one parse hands back, with the out-arguments pre-set to markers so
// that untouched ones show.
struct Parsed {
    std::array<float, 4> quaternion{-7, -7, -7, -7};
    std::array<int32_t, 3> at34{-7, -7, -7};
    std::array<int32_t, 3> at28{-7, -7, -7};
    int32_t at40 = -7;
    std::vector<uint8_t> text;
    uint32_t length = 999;
};

Parsed parse(int32_t mode, std::span<const uint8_t> report, size_t textSize = 100) {
    Parsed out;
    out.text.resize(textSize);
    parse_glass_report(mode, report, out.quaternion[0], out.quaternion[1], out.quaternion[2],
                       out.quaternion[3], out.at34, out.at28, out.at40, out.text, out.length);
    return out;
}

class GlassReportApplyTest : public ::testing::Test {
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

TEST_F(GlassReportApplyTest, SamplesFillTheOutArgumentsOfTheirGenerationOnly) {
    Report floats = sample();
    for (size_t i = 0; i < 4; ++i) writeF32(floats, 28 + 4 * i, 0.5f + static_cast<float>(i));
    Parsed first = parse(1, floats);
    EXPECT_EQ(first.quaternion, (std::array<float, 4>{0.5f, 1.5f, 2.5f, 3.5f}));
    EXPECT_EQ(first.at40, -7);
    EXPECT_EQ(glass_report_state::lastOrientation()[3], 3.5f);
    // The same place read as little-endian signed 16-bit values in the second generation.
    const Report raw = overlay(
        sample(),
        {{28,
          {0xFF, 0xFF, 0x02, 0x00, 0xFD, 0xFF, 0x04, 0x00, 0xFB, 0xFF, 0x06, 0x00, 0x00, 0x80}}});
    Parsed second = parse(2, raw);
    EXPECT_EQ(second.at28, (std::array<int32_t, 3>{-1, 2, -3}));
    EXPECT_EQ(second.at34, (std::array<int32_t, 3>{4, -5, 6}));
    EXPECT_EQ(second.at40, -32768);
    EXPECT_EQ(second.quaternion[0], -7);
    EXPECT_EQ(glass_report_state::lastOrientation()[3], 3.5f);  // mode 2 leaves it
    EXPECT_EQ(glass_report_state::lastMode(), 2);
    EXPECT_EQ(parse(3, floats).quaternion[0], -7);
    EXPECT_TRUE(ignored(0, floats));
    EXPECT_EQ(glass_report_state::lastMode(), 3);
}

TEST_F(GlassReportApplyTest, VersionTextFitsTheCallersBufferAndSetsTheImuIdentifier) {
    Report report =
        reply(8, 1, {{12, {15}}, {14, test_support::text("tavro2_fw_v1.65")}, {51, {'C'}}});
    Parsed out = parse(2, report);
    EXPECT_EQ(std::string(out.text.begin(), out.text.begin() + out.length), "tavro2_fw_v1.65");
    EXPECT_EQ(server().imu_id(), 67);
    report[51] = 'p';
    parse(2, report);
    EXPECT_EQ(server().imu_id(), 112);
    report[51] = 'c';  // only 'p' and 'C' name an IMU
    parse(2, report);
    EXPECT_EQ(server().imu_id(), 0);
    EXPECT_EQ(parse(2, report, 4).length, 4u);
}

TEST_F(GlassReportApplyTest, EighthBiasReplyCompletesTheTableWhateverItCarried) {
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

TEST_F(GlassReportApplyTest, OffsetRecordComesInTheServersOrderWithNaNAsZero) {
    Report report = reply(0x0C, 4);
    const std::pair<size_t, float> fields[] = {{16, 1}, {24, 2}, {32, 3}, {40, std::nanf("")},
                                               {44, 5}, {48, 6}};
    for (const auto& [offset, value] : fields) writeF32(report, offset, value);
    parse(2, report);
    Value record = server().offsetDict();
    EXPECT_EQ(record["type"], Value(9998));
    EXPECT_EQ(record["value"],
              Value(platform::foundation::ValueArray{0.0f, 5.0f, 6.0f, 1.0f, 2.0f, 3.0f}));
}

TEST_F(GlassReportApplyTest, WearThresholdsAreStoredAndDisplayStatusIsPosted) {
    parse(1, reply(5, 2, {{14, {0x3D, 0x01, 66, 0}}}));
    EXPECT_EQ(glass_report_state::wearThresholds().first, 0x013D);
    EXPECT_EQ(glass_report_state::wearThresholds().second, 66);
    test_support::NotificationRecorder status({common::AppIdentifier() + ".GlassDisplayStatus"});
    parse(2, reply(0x10, 7, {{12, {0xFE, 0xFF}}}));
    EXPECT_EQ(status.objects(), std::vector<Value>{Value(0xFFFE)});
}

}  // namespace
