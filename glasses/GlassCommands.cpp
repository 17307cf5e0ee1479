#include "glasses/GlassCommands.h"

#include <algorithm>

#include "glasses/GlassReport.h"
#include "glasses/GlassReportState.h"

using namespace glass_report;

namespace {

constexpr int32_t kRefused = -1;
constexpr int32_t kBuilt = static_cast<int32_t>(kFrameLength);

bool fitsFrame(std::span<uint8_t> frame) {
    return frame.size() >= kFrameLength;
}

void writeHeader(std::span<uint8_t> frame, uint16_t command, uint16_t subcommand) {
    writeU16(frame, kKindOffset, kKindCommand);
    writeU16(frame, kCommandOffset, command);
    writeU16(frame, kSubcommandOffset, subcommand);
}

// Clears the reserved bytes and the payload from `from` to the end of the frame.
void clearFrom(std::span<uint8_t> frame, size_t from) {
    std::fill(frame.begin() + 2, frame.begin() + 8, uint8_t{0});
    std::fill(frame.begin() + static_cast<std::ptrdiff_t>(from),
              frame.begin() + static_cast<std::ptrdiff_t>(kFrameLength), uint8_t{0});
}

}  // namespace

int32_t glass_cmd_switch_3d(std::span<uint8_t> frame, bool on) {
    if (!fitsFrame(frame)) return kRefused;
    writeHeader(frame, 1, 3);
    writeU16(frame, 12, on ? 4 : 1);
    return kBuilt;
}

int32_t glass_cmd_switch_3d_gen2(std::span<uint8_t> frame) {
    if (!fitsFrame(frame)) return kRefused;
    clearFrom(frame, 14);
    writeHeader(frame, 1, 4);
    writeU16(frame, 12, 0x0F00);
    return kBuilt;
}

int32_t glass_cmd_set_duty(std::span<uint8_t> frame, uint8_t duty) {
    if (!fitsFrame(frame)) return kRefused;
    writeHeader(frame, 1, 6);
    frame[15] = duty;
    return kBuilt;
}

int32_t glass_cmd_set_immersion(std::span<uint8_t> frame, uint8_t value) {
    if (!fitsFrame(frame)) return kRefused;
    clearFrom(frame, 13);
    writeHeader(frame, 1, 9);
    frame[12] = value;
    return kBuilt;
}

int32_t glass_cmd_get_wear_thresholds(std::span<uint8_t> frame) {
    if (!fitsFrame(frame)) return kRefused;
    glass_report_state::setWearThresholds({});
    clearFrom(frame, 12);
    writeHeader(frame, 5, 2);
    return kBuilt;
}

int32_t glass_cmd_set_wear_detection(std::span<uint8_t> frame, bool close) {
    if (!fitsFrame(frame)) return kRefused;
    uint16_t first = 0;
    uint16_t second = 0;
    if (!close) {
        auto stored = glass_report_state::wearThresholds();
        first = stored.first != 0 ? stored.first : 50;
        second = stored.second != 0 ? stored.second : 55;
    }
    clearFrom(frame, 18);
    writeHeader(frame, 6, close ? 0 : 1);
    writeU16(frame, 12, 1);
    writeU16(frame, 14, first);
    writeU16(frame, 16, second);
    return kBuilt;
}

int32_t glass_cmd_get_firmware_version(std::span<uint8_t> frame) {
    if (!fitsFrame(frame)) return kRefused;
    writeHeader(frame, 8, 1);
    return kBuilt;
}

int32_t glass_cmd_enter_dfu(std::span<uint8_t> frame) {
    if (!fitsFrame(frame)) return kRefused;
    writeHeader(frame, 9, 0);
    writeU16(frame, 12, 1);
    return kBuilt;
}

int32_t glass_cmd_set_volume(uint8_t level, std::span<uint8_t> frame) {
    if (!fitsFrame(frame)) return kRefused;
    writeHeader(frame, 0x0B, 2);
    frame[12] = level;
    return kBuilt;
}

int32_t glass_cmd_switch_imu(std::span<uint8_t> frame, bool close) {
    if (!fitsFrame(frame)) return kRefused;
    clearFrom(frame, 13);
    writeHeader(frame, 0x0C, 1);
    frame[12] = close ? 0 : 0x1F;
    return kBuilt;
}

int32_t glass_cmd_get_imu_offset(std::span<uint8_t> frame) {
    if (!fitsFrame(frame)) return kRefused;
    clearFrom(frame, 12);
    writeHeader(frame, 0x0C, 4);
    return kBuilt;
}

int32_t glass_cmd_set_user_temp_bias(std::span<uint8_t> frame, int32_t index, float temperature,
                                     float x, float y, float z) {
    // Negative indexes are refused too: the glasses keep entries 0 to 5 only.
    if (!fitsFrame(frame) || index < 0 || index > 5) return kRefused;
    clearFrom(frame, 17);
    writeHeader(frame, 0x0C, 5);
    frame[12] = 2;
    frame[13] = static_cast<uint8_t>(index * 20);
    writeU16(frame, 14, 20);
    frame[16] = static_cast<uint8_t>(index);
    writeF32(frame, 20, temperature);
    writeF32(frame, 24, x);
    writeF32(frame, 28, y);
    writeF32(frame, 32, z);
    return kBuilt;
}

int32_t glass_cmd_get_temp_bias(std::span<uint8_t> frame, uint32_t index, int32_t type) {
    if (!fitsFrame(frame)) return kRefused;
    const bool factory = type == 1;
    clearFrom(frame, 15);
    writeHeader(frame, 0x0C, 6);
    frame[12] = factory ? 1 : 2;
    frame[13] = static_cast<uint8_t>(index * (factory ? 16 : 20));
    frame[14] = factory ? 16 : 20;
    return kBuilt;
}
