#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "glasses/GlassCommands.h"
#include "glasses/GlassReportState.h"
#include "tests/support/DeviceBytes.h"

namespace {

using test_support::Bytes;

// A 100-byte buffer of 0xAA with the runs written over it: what a builder must leave in a
// buffer that held 0xAA, byte for byte (a frame is 56 bytes; nothing past it is touched).
Bytes overAA(test_support::Runs runs) {
    return test_support::overlay(Bytes(100, 0xAA), runs);
}
// Header of a builder that clears the reserved bytes 2 to 7.
Bytes cleared(uint8_t command, uint8_t subcommand) {
    return {0x40, 0, 0, 0, 0, 0, 0, 0, command, 0, subcommand, 0};
}

TEST(GlassCommands, EachBuilderWritesItsFrameAndClearsOnlyWhatItMust) {
    using glass_report_state::setWearThresholds;
    const struct {
        const char* name;
        std::function<int32_t(std::span<uint8_t>)> build;
        Bytes expected;
    } cases[] = {
        {"3D off", [](auto f) { return glass_cmd_switch_3d(f, false); },
         overAA({{0, {0x40, 0}}, {8, {1, 0, 3, 0, 1, 0}}})},
        {"3D on", [](auto f) { return glass_cmd_switch_3d(f, true); },
         overAA({{0, {0x40, 0}}, {8, {1, 0, 3, 0, 4, 0}}})},
        {"3D gen2", glass_cmd_switch_3d_gen2,
         overAA({{0, cleared(1, 4)}, {12, {0x00, 0x0F}}, {14, Bytes(42, 0)}})},
        {"duty", [](auto f) { return glass_cmd_set_duty(f, 200); },
         overAA({{0, {0x40, 0}}, {8, {1, 0, 6, 0}}, {15, {200}}})},
        {"immersion", [](auto f) { return glass_cmd_set_immersion(f, 7); },
         overAA({{0, cleared(1, 9)}, {12, {7}}, {13, Bytes(43, 0)}})},
        {"wear thresholds", glass_cmd_get_wear_thresholds,
         overAA({{0, cleared(5, 2)}, {12, Bytes(44, 0)}})},
        {"wear on, none stored", [](auto f) { return glass_cmd_set_wear_detection(f, false); },
         overAA({{0, cleared(6, 1)}, {12, {1, 0, 50, 0, 55, 0}}, {18, Bytes(38, 0)}})},
        {"wear on, one stored",
         [](auto f) {
             setWearThresholds({70, 0});
             return glass_cmd_set_wear_detection(f, false);
         },
         overAA({{0, cleared(6, 1)}, {12, {1, 0, 70, 0, 55, 0}}, {18, Bytes(38, 0)}})},
        {"wear off", [](auto f) { return glass_cmd_set_wear_detection(f, true); },
         overAA({{0, cleared(6, 0)}, {12, {1}}, {13, Bytes(43, 0)}})},
        {"version", glass_cmd_get_firmware_version, overAA({{0, {0x40, 0}}, {8, {8, 0, 1, 0}}})},
        {"enter DFU", glass_cmd_enter_dfu, overAA({{0, {0x40, 0}}, {8, {9, 0, 0, 0, 1, 0}}})},
        {"volume", [](auto f) { return glass_cmd_set_volume(4, f); },
         overAA({{0, {0x40, 0}}, {8, {0x0B, 0, 2, 0, 4}}})},
        {"IMU off", [](auto f) { return glass_cmd_switch_imu(f, true); },
         overAA({{0, cleared(0x0C, 1)}, {12, Bytes(44, 0)}})},
        {"IMU on", [](auto f) { return glass_cmd_switch_imu(f, false); },
         overAA({{0, cleared(0x0C, 1)}, {12, {0x1F}}, {13, Bytes(43, 0)}})},
        {"offsets", glass_cmd_get_imu_offset, overAA({{0, cleared(0x0C, 4)}, {12, Bytes(44, 0)}})},
        {"user bias",
         [](auto f) { return glass_cmd_set_user_temp_bias(f, 5, 31.5f, 0.5f, -0.25f, 2.0f); },
         overAA({{0, cleared(0x0C, 5)},
                 {12, {2, 100, 20, 0, 5, 0, 0, 0}},
                 {20, {0, 0, 0xFC, 0x41, 0, 0, 0, 0x3F, 0, 0, 0x80, 0xBE, 0, 0, 0, 0x40}},
                 {36, Bytes(20, 0)}})},
        {"factory bias", [](auto f) { return glass_cmd_get_temp_bias(f, 3, 1); },
         overAA({{0, cleared(0x0C, 6)}, {12, {1, 48, 16}}, {15, Bytes(41, 0)}})},
        {"user bias request", [](auto f) { return glass_cmd_get_temp_bias(f, 3, 7); },
         overAA({{0, cleared(0x0C, 6)}, {12, {2, 60, 20}}, {15, Bytes(41, 0)}})},
    };
    // Asking for the thresholds forgets those stored: the next frame has the defaults.
    setWearThresholds({70, 80});
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        Bytes buffer(100, 0xAA);
        EXPECT_EQ(each.build(buffer), 56);
        EXPECT_EQ(buffer, each.expected);
    }
}

TEST(GlassCommands, ShortBuffersAndBadIndexesAreRefusedUntouched) {
    Bytes small(55, 0xAA);
    EXPECT_EQ(glass_cmd_get_firmware_version(small), -1);
    EXPECT_EQ(glass_cmd_set_volume(1, small), -1);
    for (int32_t bad : {6, -1}) {
        Bytes buffer(100, 0xAA);
        EXPECT_EQ(glass_cmd_set_user_temp_bias(buffer, bad, 1, 2, 3, 4), -1);
        EXPECT_EQ(buffer, Bytes(100, 0xAA));
    }
    EXPECT_EQ(small, Bytes(55, 0xAA));
}

}  // namespace
