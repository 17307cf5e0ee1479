#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "glasses/GlassCommands.h"
#include "glasses/GlassReport.h"
#include "glasses/GlassReportState.h"

namespace {

using Buffer = std::array<uint8_t, 100>;
using glass_report::readF32;
using glass_report::readU16;

Buffer filled(uint8_t byte) {
    Buffer buffer;
    buffer.fill(byte);
    return buffer;
}

void expectHeader(const Buffer& frame, uint16_t command, uint16_t subcommand) {
    EXPECT_EQ(readU16(frame, 0), 0x0040);
    EXPECT_EQ(readU16(frame, 8), command);
    EXPECT_EQ(readU16(frame, 10), subcommand);
}

bool allBytes(const Buffer& frame, size_t from, size_t to, uint8_t byte) {
    for (size_t i = from; i < to; ++i) {
        if (frame[i] != byte) return false;
    }
    return true;
}

TEST(GlassCommands, ThreeDModeFramesOfBothGenerations) {
    Buffer off = filled(0xAA);
    ASSERT_EQ(glass_cmd_switch_3d(off, false), 56);
    expectHeader(off, 1, 3);
    EXPECT_EQ(readU16(off, 12), 1);
    EXPECT_TRUE(allBytes(off, 2, 8, 0xAA));  // the first group clears nothing

    Buffer on = filled(0xAA);
    glass_cmd_switch_3d(on, true);
    EXPECT_EQ(readU16(on, 12), 4);

    Buffer gen2 = filled(0xAA);
    ASSERT_EQ(glass_cmd_switch_3d_gen2(gen2), 56);
    expectHeader(gen2, 1, 4);
    EXPECT_EQ(readU16(gen2, 12), 3840);
    EXPECT_TRUE(allBytes(gen2, 2, 8, 0));
    EXPECT_TRUE(allBytes(gen2, 14, 56, 0));
    EXPECT_TRUE(allBytes(gen2, 56, 100, 0xAA));  // never past the frame
}

TEST(GlassCommands, WearDetectionUsesDefaultsUntilTheGlassesAnswer) {
    Buffer frame = filled(0xAA);
    glass_report_state::setWearThresholds({70, 80});
    glass_cmd_get_wear_thresholds(frame);
    expectHeader(frame, 5, 2);
    EXPECT_TRUE(allBytes(frame, 12, 56, 0));

    glass_cmd_set_wear_detection(frame, false);
    expectHeader(frame, 6, 1);
    EXPECT_EQ(readU16(frame, 12), 1);
    EXPECT_EQ(readU16(frame, 14), 50);
    EXPECT_EQ(readU16(frame, 16), 55);

    glass_report_state::setWearThresholds({70, 0});
    glass_cmd_set_wear_detection(frame, false);
    EXPECT_EQ(readU16(frame, 14), 70);
    EXPECT_EQ(readU16(frame, 16), 55);

    glass_cmd_set_wear_detection(frame, true);
    expectHeader(frame, 6, 0);
    EXPECT_EQ(readU16(frame, 14), 0);
    EXPECT_EQ(readU16(frame, 16), 0);
}

TEST(GlassCommands, UserBiasEntryAndItsIndexLimit) {
    Buffer frame = filled(0xAA);
    ASSERT_EQ(glass_cmd_set_user_temp_bias(frame, 5, 31.5f, 0.5f, -0.25f, 2.0f), 56);
    expectHeader(frame, 0x0C, 5);
    EXPECT_EQ(frame[12], 2);
    EXPECT_EQ(frame[13], 100);
    EXPECT_EQ(readU16(frame, 14), 20);
    EXPECT_EQ(frame[16], 5);
    EXPECT_EQ(readF32(frame, 20), 31.5f);
    EXPECT_EQ(readF32(frame, 32), 2.0f);
    EXPECT_TRUE(allBytes(frame, 36, 56, 0));

    for (int32_t bad : {6, -1}) {
        Buffer untouched = filled(0xAA);
        EXPECT_EQ(glass_cmd_set_user_temp_bias(untouched, bad, 1, 2, 3, 4), -1);
        EXPECT_TRUE(allBytes(untouched, 0, 100, 0xAA));
    }
}

TEST(GlassCommands, BiasRequestsByType) {
    Buffer frame = filled(0xAA);
    glass_cmd_get_temp_bias(frame, 3, 1);
    expectHeader(frame, 0x0C, 6);
    EXPECT_EQ(frame[12], 1);
    EXPECT_EQ(frame[13], 48);
    EXPECT_EQ(frame[14], 16);
    EXPECT_TRUE(allBytes(frame, 15, 56, 0));

    for (int32_t type : {2, 0, 7}) {
        glass_cmd_get_temp_bias(frame, 3, type);
        EXPECT_EQ(frame[12], 2);
        EXPECT_EQ(frame[13], 60);
        EXPECT_EQ(frame[14], 20);
    }
}

TEST(GlassCommands, RemainingFrames) {
    Buffer frame = filled(0xAA);
    glass_cmd_set_volume(4, frame);
    expectHeader(frame, 0x0B, 2);
    EXPECT_EQ(frame[12], 4);

    glass_cmd_set_duty(frame, 200);
    expectHeader(frame, 1, 6);
    EXPECT_EQ(frame[15], 200);

    glass_cmd_enter_dfu(frame);
    expectHeader(frame, 9, 0);
    EXPECT_EQ(readU16(frame, 12), 1);

    glass_cmd_switch_imu(frame, true);
    expectHeader(frame, 0x0C, 1);
    EXPECT_EQ(frame[12], 0);
    glass_cmd_switch_imu(frame, false);
    EXPECT_EQ(frame[12], 0x1F);

    glass_cmd_set_immersion(frame, 7);
    expectHeader(frame, 1, 9);
    EXPECT_EQ(frame[12], 7);
    EXPECT_TRUE(allBytes(frame, 13, 56, 0));
}

TEST(GlassCommands, BufferShorterThanAFrameIsRefused) {
    std::array<uint8_t, 55> small{};
    EXPECT_EQ(glass_cmd_get_firmware_version(small), -1);
    EXPECT_EQ(glass_cmd_get_imu_offset(small), -1);
    EXPECT_EQ(glass_cmd_set_volume(1, small), -1);
}

}  // namespace
