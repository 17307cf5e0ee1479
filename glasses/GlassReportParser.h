#pragma once
// Handles one input report of the glasses: decodeGlassReport (GlassReportDecode.h) reads the
// bytes, applyGlassReport hands the record on. IMU samples and the firmware version text go
// back to the caller through the out-arguments; every other answer goes straight to its
// consumer: the companion server (immersion, IMU identifier, offsets, bias table, presence
// message), the default notification centre (display status) or the stored wear thresholds.
// Out-arguments a report does not concern are left untouched.
//
// Bytes from outside: a report of any length is safe; fields beyond its end are not read,
// and the version text never exceeds the report's text area or the caller's buffer.
// Runs on the HID monitor thread.

#include <array>
#include <cstdint>
#include <span>

#include "glasses/GlassReportDecode.h"

void parse_glass_report(int32_t mode, std::span<const uint8_t> report, float& quaternionA,
                        float& quaternionB, float& quaternionC, float& quaternionD,
                        std::span<int32_t, 3> imuAt34, std::span<int32_t, 3> imuAt28,
                        int32_t& imuAt40, std::span<uint8_t> versionText, uint32_t& versionLength);

// The effects of one decoded report of generation `mode`, with the out-arguments of
// parse_glass_report.
void applyGlassReport(int32_t mode, const GlassReportRecord& record, float& quaternionA,
                      float& quaternionB, float& quaternionC, float& quaternionD,
                      std::span<int32_t, 3> imuAt34, std::span<int32_t, 3> imuAt28,
                      int32_t& imuAt40, std::span<uint8_t> versionText, uint32_t& versionLength);

// False when any value is NaN; otherwise true when at least one is not zero.
bool isQuaternionValid(float a, float b, float c, float d);
