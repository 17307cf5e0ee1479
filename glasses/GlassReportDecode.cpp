#include "glasses/GlassReportDecode.h"

#include <algorithm>

#include "glasses/GlassReport.h"

using namespace glass_report;

namespace {

using Report = std::span<const uint8_t>;

GlassReportRecord decodeVersion(Report report) {
    if (!has(report, kVersionLengthOffset, 2)) return GlassReportIgnored{};
    GlassVersionReply reply;
    const size_t claimed = readU16(report, kVersionLengthOffset);
    const size_t available =
        report.size() > kVersionTextOffset ? report.size() - kVersionTextOffset : 0;
    const size_t length = std::min({claimed, kVersionTextCapacity, available});
    std::copy_n(report.begin() + kVersionTextOffset, length, reply.text.begin());
    reply.length = static_cast<uint32_t>(length);
    if (has(report, kImuIdOffset, 1) &&
        (report[kImuIdOffset] == 'p' || report[kImuIdOffset] == 'C')) {
        reply.imuId = report[kImuIdOffset];
    }
    return reply;
}

GlassReportRecord decodeOffsets(Report report) {
    if (!has(report, 48, 4)) return GlassReportIgnored{};
    return GlassOffsetsReply{{readF32(report, 40), readF32(report, 44), readF32(report, 48),
                              readF32(report, 16), readF32(report, 24), readF32(report, 32)}};
}

GlassReportRecord decodeBiasEntry(Report report) {
    if (!has(report, 32, 4)) return GlassReportIgnored{};
    GlassBiasReply entry{report[12], report[13], report[14]};
    if (entry.type == 1 || entry.type == 2) {
        const size_t first = entry.type == 1 ? 16 : 20;
        entry.temperature = readF32(report, first);
        entry.x = readF32(report, first + 4);
        entry.y = readF32(report, first + 8);
        entry.z = readF32(report, first + 12);
    }
    return entry;
}

GlassReportRecord decodeCommandReply(Report report) {
    if (!has(report, kSubcommandOffset, 2)) return GlassReportIgnored{};
    const uint16_t command = readU16(report, kCommandOffset);
    const uint16_t subcommand = readU16(report, kSubcommandOffset);
    switch (command << 16 | subcommand) {
        case 0x0002'0009:
            if (has(report, 12, 1)) return GlassImmersionReply{report[12]};
            break;
        case 0x0005'0002:
            if (has(report, 16, 2)) {
                return GlassWearThresholdsReply{readU16(report, 14), readU16(report, 16)};
            }
            break;
        case 0x0008'0001:
            return decodeVersion(report);
        case 0x000C'0004:
            return decodeOffsets(report);
        case 0x000C'0006:
            return decodeBiasEntry(report);
        case 0x000F'0004:
            if (has(report, 13, 1) && report[13] == 2) return GlassPresenceReply{};
            break;
        case 0x0010'0007:
            if (has(report, 12, 2)) return GlassDisplayStatusReply{readU16(report, 12)};
            break;
        default:
            break;
    }
    return GlassReportIgnored{};
}

}  // namespace

GlassReportRecord decodeGlassReport(int32_t mode, std::span<const uint8_t> report) {
    if (!has(report, kKindOffset, 2)) return GlassReportIgnored{};
    const uint16_t kind = readU16(report, kKindOffset);
    if (kind == kKindCommand) return decodeCommandReply(report);
    if (kind != kKindImuSample || !has(report, 40, 4)) return GlassReportIgnored{};
    if (mode == 1) {
        return GlassOrientationSample{
            {readF32(report, 28), readF32(report, 32), readF32(report, 36), readF32(report, 40)}};
    }
    if (mode == 2) {
        GlassRawImuSample sample;
        for (size_t i = 0; i < 3; ++i) {
            sample.at34[i] = readI16(report, 34 + 2 * i);
            sample.at28[i] = readI16(report, 28 + 2 * i);
        }
        sample.at40 = readI16(report, 40);
        return sample;
    }
    return GlassReportIgnored{};
}
