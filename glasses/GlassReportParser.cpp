#include "glasses/GlassReportParser.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <type_traits>

#include "common/AppIdentifier.h"
#include "common/TavroLog.h"
#include "glasses/GlassReportState.h"
#include "localnet/TavroLocalServer.h"
#include "platform/foundation/NotificationCenter.h"

using platform::foundation::Value;
using platform::foundation::ValueArray;
using platform::foundation::ValueDictionary;

namespace {

template <class... Args>
std::string format(const char* pattern, Args... args) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

float zeroIfNaN(float value) {
    return std::isnan(value) ? 0.0f : value;
}

void applyOffsets(const GlassOffsetsReply& reply) {
    ValueArray numbers;
    for (float value : reply.values) numbers.emplace_back(zeroIfNaN(value));
    TavroLocalServer::shareManager().setOffsetDict(
        ValueDictionary{{"type", 9998}, {"value", std::move(numbers)}});
    common::TavroLog::logMessage(format("acc_x = %f,acc_y = %f,acc_z = %f",
                                        static_cast<double>(zeroIfNaN(reply.values[3])),
                                        static_cast<double>(zeroIfNaN(reply.values[4])),
                                        static_cast<double>(zeroIfNaN(reply.values[5]))));
}

void applyBiasEntry(const GlassBiasReply& entry) {
    TavroLocalServer& server = TavroLocalServer::shareManager();
    if ((entry.type == 1 || entry.type == 2) &&
        isQuaternionValid(entry.temperature, entry.x, entry.y, entry.z)) {
        const char* pattern =
            entry.type == 1
                ? "IMU bias = (type=%d,offset=%d,len=%d,temp=%f,x,y,z=%f,%f,%f) index = %d"
                : "IMU User (type=%d,offset=%d,len=%d,temp=%f,x,y,z=%f,%f,%f) index = %d";
        common::TavroLog::logMessage(
            format(pattern, entry.type, entry.offset, entry.length,
                   static_cast<double>(entry.temperature), static_cast<double>(entry.x),
                   static_cast<double>(entry.y), static_cast<double>(entry.z), server.biasCount()));
        server.biasArray()->addObject(ValueArray{int{entry.type}, int{entry.offset},
                                                 int{entry.length}, entry.temperature, entry.x,
                                                 entry.y, entry.z, int{entry.type}});
    }
    if (server.biasCount() == 7) {
        server.setBiasDict(TavroLocalServer::BiasDict{9997, server.biasArray()});
    }
    server.setBiasCount(server.biasCount() + 1);
}

}  // namespace

bool isQuaternionValid(float a, float b, float c, float d) {
    if (std::isnan(a) || std::isnan(b) || std::isnan(c) || std::isnan(d)) return false;
    return a != 0.0f || b != 0.0f || c != 0.0f || d != 0.0f;
}

void applyGlassReport(int32_t mode, const GlassReportRecord& record, float& quaternionA,
                      float& quaternionB, float& quaternionC, float& quaternionD,
                      std::span<int32_t, 3> imuAt34, std::span<int32_t, 3> imuAt28,
                      int32_t& imuAt40, std::span<uint8_t> versionText, uint32_t& versionLength) {
    glass_report_state::setLastMode(mode);
    std::visit(
        [&](const auto& item) {
            using Item = std::decay_t<decltype(item)>;
            if constexpr (std::is_same_v<Item, GlassOrientationSample>) {
                quaternionA = item.quaternion[0];
                quaternionB = item.quaternion[1];
                quaternionC = item.quaternion[2];
                quaternionD = item.quaternion[3];
                glass_report_state::setLastOrientation(item.quaternion);
            } else if constexpr (std::is_same_v<Item, GlassRawImuSample>) {
                std::copy(item.at34.begin(), item.at34.end(), imuAt34.begin());
                std::copy(item.at28.begin(), item.at28.end(), imuAt28.begin());
                imuAt40 = item.at40;
            } else if constexpr (std::is_same_v<Item, GlassImmersionReply>) {
                TavroLocalServer::shareManager().changeImmersion(item.value);
            } else if constexpr (std::is_same_v<Item, GlassWearThresholdsReply>) {
                glass_report_state::setWearThresholds({item.first, item.second});
            } else if constexpr (std::is_same_v<Item, GlassVersionReply>) {
                const size_t length = std::min<size_t>(item.length, versionText.size());
                std::copy_n(item.text.begin(), length, versionText.begin());
                versionLength = static_cast<uint32_t>(length);
                TavroLocalServer::shareManager().setImu_id(item.imuId);
            } else if constexpr (std::is_same_v<Item, GlassOffsetsReply>) {
                applyOffsets(item);
            } else if constexpr (std::is_same_v<Item, GlassBiasReply>) {
                applyBiasEntry(item);
            } else if constexpr (std::is_same_v<Item, GlassPresenceReply>) {
                TavroLocalServer::shareManager().sendTextMessageWithDict(
                    ValueDictionary{{"type", 1}});
            } else if constexpr (std::is_same_v<Item, GlassDisplayStatusReply>) {
                platform::foundation::NotificationCenter::defaultCenter().post(
                    common::AppIdentifier() + ".GlassDisplayStatus", Value(item.status));
            }
        },
        record);
}

void parse_glass_report(int32_t mode, std::span<const uint8_t> report, float& quaternionA,
                        float& quaternionB, float& quaternionC, float& quaternionD,
                        std::span<int32_t, 3> imuAt34, std::span<int32_t, 3> imuAt28,
                        int32_t& imuAt40, std::span<uint8_t> versionText, uint32_t& versionLength) {
    applyGlassReport(mode, decodeGlassReport(mode, report), quaternionA, quaternionB, quaternionC,
                     quaternionD, imuAt34, imuAt28, imuAt40, versionText, versionLength);
}
