#include "glasses/GlassReportParser.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "common/AppIdentifier.h"
#include "common/TavroLog.h"
#include "glasses/GlassReport.h"
#include "glasses/GlassReportState.h"
#include "localnet/TavroLocalServer.h"
#include "platform/foundation/NotificationCenter.h"

using namespace glass_report;
using platform::foundation::Value;
using platform::foundation::ValueArray;
using platform::foundation::ValueDictionary;

namespace {

using Report = std::span<const uint8_t>;

template <class... Args>
std::string format(const char* pattern, Args... args) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

float zeroIfNaN(float value) {
    return std::isnan(value) ? 0.0f : value;
}

void parseVersion(Report report, std::span<uint8_t> versionText, uint32_t& versionLength) {
    if (!has(report, kVersionLengthOffset, 2)) return;
    const size_t claimed = readU16(report, kVersionLengthOffset);
    const size_t available =
        report.size() > kVersionTextOffset ? report.size() - kVersionTextOffset : 0;
    const size_t length = std::min({claimed, kVersionTextCapacity, available, versionText.size()});
    std::copy_n(report.begin() + kVersionTextOffset, length, versionText.begin());
    versionLength = static_cast<uint32_t>(length);

    int64_t imuId = 0;
    if (has(report, kImuIdOffset, 1) &&
        (report[kImuIdOffset] == 'p' || report[kImuIdOffset] == 'C')) {
        imuId = report[kImuIdOffset];
    }
    TavroLocalServer::shareManager().setImu_id(imuId);
}

void parseOffsets(Report report) {
    if (!has(report, 48, 4)) return;
    const float values[6] = {readF32(report, 40), readF32(report, 44), readF32(report, 48),
                             readF32(report, 16), readF32(report, 24), readF32(report, 32)};
    ValueArray numbers;
    for (float value : values) numbers.emplace_back(zeroIfNaN(value));
    TavroLocalServer::shareManager().setOffsetDict(
        ValueDictionary{{"type", 9998}, {"value", std::move(numbers)}});
    common::TavroLog::logMessage(format(
        "acc_x = %f,acc_y = %f,acc_z = %f", static_cast<double>(zeroIfNaN(values[3])),
        static_cast<double>(zeroIfNaN(values[4])), static_cast<double>(zeroIfNaN(values[5]))));
}

void parseBiasEntry(Report report) {
    if (!has(report, 32, 4)) return;
    TavroLocalServer& server = TavroLocalServer::shareManager();
    const uint8_t type = report[12];
    if (type == 1 || type == 2) {
        const size_t first = type == 1 ? 16 : 20;
        const float temperature = readF32(report, first);
        const float x = readF32(report, first + 4);
        const float y = readF32(report, first + 8);
        const float z = readF32(report, first + 12);
        if (isQuaternionValid(temperature, x, y, z)) {
            const char* pattern =
                type == 1
                    ? "IMU bias = (type=%d,offset=%d,len=%d,temp=%f,x,y,z=%f,%f,%f) index = %d"
                    : "IMU User (type=%d,offset=%d,len=%d,temp=%f,x,y,z=%f,%f,%f) index = %d";
            common::TavroLog::logMessage(format(pattern, type, report[13], report[14],
                                                static_cast<double>(temperature),
                                                static_cast<double>(x), static_cast<double>(y),
                                                static_cast<double>(z), server.biasCount()));
            server.biasArray()->addObject(ValueArray{int{type}, int{report[13]}, int{report[14]},
                                                     temperature, x, y, z, int{type}});
        }
    }
    if (server.biasCount() == 7) {
        server.setBiasDict(TavroLocalServer::BiasDict{9997, server.biasArray()});
    }
    server.setBiasCount(server.biasCount() + 1);
}

void parseCommandReply(Report report, std::span<uint8_t> versionText, uint32_t& versionLength) {
    if (!has(report, kSubcommandOffset, 2)) return;
    const uint16_t command = readU16(report, kCommandOffset);
    const uint16_t subcommand = readU16(report, kSubcommandOffset);
    switch (command << 16 | subcommand) {
        case 0x0002'0009:
            if (has(report, 12, 1)) TavroLocalServer::shareManager().changeImmersion(report[12]);
            break;
        case 0x0005'0002:
            if (has(report, 16, 2)) {
                glass_report_state::setWearThresholds({readU16(report, 14), readU16(report, 16)});
            }
            break;
        case 0x0008'0001:
            parseVersion(report, versionText, versionLength);
            break;
        case 0x000C'0004:
            parseOffsets(report);
            break;
        case 0x000C'0006:
            parseBiasEntry(report);
            break;
        case 0x000F'0004:
            if (has(report, 13, 1) && report[13] == 2) {
                TavroLocalServer::shareManager().sendTextMessageWithDict(
                    ValueDictionary{{"type", 1}});
            }
            break;
        case 0x0010'0007:
            if (has(report, 12, 2)) {
                platform::foundation::NotificationCenter::defaultCenter().post(
                    common::AppIdentifier() + ".GlassDisplayStatus", Value(readU16(report, 12)));
            }
            break;
        default:
            break;
    }
}

}  // namespace

bool isQuaternionValid(float a, float b, float c, float d) {
    if (std::isnan(a) || std::isnan(b) || std::isnan(c) || std::isnan(d)) return false;
    return a != 0.0f || b != 0.0f || c != 0.0f || d != 0.0f;
}

void parse_glass_report(int32_t mode, std::span<const uint8_t> report, float& quaternionA,
                        float& quaternionB, float& quaternionC, float& quaternionD,
                        std::span<int32_t, 3> imuAt34, std::span<int32_t, 3> imuAt28,
                        int32_t& imuAt40, std::span<uint8_t> versionText, uint32_t& versionLength) {
    glass_report_state::setLastMode(mode);
    if (!has(report, kKindOffset, 2)) return;
    const uint16_t kind = readU16(report, kKindOffset);
    if (kind == kKindCommand) {
        parseCommandReply(report, versionText, versionLength);
        return;
    }
    if (kind != kKindImuSample || !has(report, 40, 4)) return;
    if (mode == 1) {
        const std::array<float, 4> quaternion{readF32(report, 28), readF32(report, 32),
                                              readF32(report, 36), readF32(report, 40)};
        quaternionA = quaternion[0];
        quaternionB = quaternion[1];
        quaternionC = quaternion[2];
        quaternionD = quaternion[3];
        glass_report_state::setLastOrientation(quaternion);
    } else if (mode == 2) {
        for (size_t i = 0; i < 3; ++i) {
            imuAt34[i] = readI16(report, 34 + 2 * i);
            imuAt28[i] = readI16(report, 28 + 2 * i);
        }
        imuAt40 = readI16(report, 40);
    }
}
