#pragma once
// Decodes one input report of the glasses into a record, and nothing else: no server, no
// notification, no stored state is touched, so the decode can be tested and fuzzed on bytes
// alone. applyGlassReport (GlassReportParser.h) hands the record to its consumers.
//
// Bytes from outside: a report of any length is safe; a field that lies beyond the report's
// end is never read, and a report too short for its kind decodes to GlassReportIgnored.
// Pure; any thread.

#include <array>
#include <cstdint>
#include <span>
#include <variant>

// A report that carries nothing for anyone: too short, an unknown kind or command, or an
// IMU sample in a generation that has none.
struct GlassReportIgnored {
    bool operator==(const GlassReportIgnored&) const = default;
};

// First generation: the orientation quaternion of an IMU sample.
struct GlassOrientationSample {
    std::array<float, 4> quaternion{};
    bool operator==(const GlassOrientationSample&) const = default;
};

// Second generation: the raw sensor triples of an IMU sample, named by their byte offsets.
struct GlassRawImuSample {
    std::array<int32_t, 3> at28{};
    std::array<int32_t, 3> at34{};
    int32_t at40 = 0;
    bool operator==(const GlassRawImuSample&) const = default;
};

struct GlassImmersionReply {
    uint8_t value = 0;
    bool operator==(const GlassImmersionReply&) const = default;
};

struct GlassWearThresholdsReply {
    uint16_t first = 0;
    uint16_t second = 0;
    bool operator==(const GlassWearThresholdsReply&) const = default;
};

// The firmware version text, already bounded by the report's text area and by the report's
// end; imuId is 'p' or 'C' when the glasses name their IMU, else 0.
struct GlassVersionReply {
    std::array<uint8_t, 38> text{};
    uint32_t length = 0;
    int64_t imuId = 0;
    bool operator==(const GlassVersionReply&) const = default;
};

// The six calibration offsets in the order the companion server sends them (the values at
// 40, 44, 48, 16, 24, 32), NaN left as the glasses sent it.
struct GlassOffsetsReply {
    std::array<float, 6> values{};
};

// One entry of the IMU bias table. Types other than 1 and 2 carry no values but still count
// as an entry answered.
struct GlassBiasReply {
    uint8_t type = 0;
    uint8_t offset = 0;
    uint8_t length = 0;
    float temperature = 0;
    float x = 0;
    float y = 0;
    float z = 0;
};

// The glasses' presence byte asks the companion to start (the byte at 13 was 2).
struct GlassPresenceReply {
    bool operator==(const GlassPresenceReply&) const = default;
};

struct GlassDisplayStatusReply {
    uint16_t status = 0;
    bool operator==(const GlassDisplayStatusReply&) const = default;
};

using GlassReportRecord =
    std::variant<GlassReportIgnored, GlassOrientationSample, GlassRawImuSample, GlassImmersionReply,
                 GlassWearThresholdsReply, GlassVersionReply, GlassOffsetsReply, GlassBiasReply,
                 GlassPresenceReply, GlassDisplayStatusReply>;

// `mode` is the glasses' generation (1 or 2): it decides how an IMU sample reads.
GlassReportRecord decodeGlassReport(int32_t mode, std::span<const uint8_t> report);
