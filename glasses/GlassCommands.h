#pragma once
// The builders of the glasses' command frames: each fills one frame in the caller's buffer
// and returns the frame length (56), or -1 when it refuses (a buffer shorter than a frame,
// or an argument out of range). Bytes a builder neither writes nor clears keep what the
// buffer held. Pure apart from the stored wear thresholds; they run on the caller's thread.

#include <cstdint>
#include <span>

int32_t glass_cmd_switch_3d(std::span<uint8_t> frame, bool on);
int32_t glass_cmd_switch_3d_gen2(std::span<uint8_t> frame);
int32_t glass_cmd_set_duty(std::span<uint8_t> frame, uint8_t duty);
int32_t glass_cmd_set_immersion(std::span<uint8_t> frame, uint8_t value);
// Forgets the stored thresholds until the glasses answer again.
int32_t glass_cmd_get_wear_thresholds(std::span<uint8_t> frame);
// Sends the stored thresholds (50 and 55 while none are stored); both 0 when closing.
int32_t glass_cmd_set_wear_detection(std::span<uint8_t> frame, bool close);
int32_t glass_cmd_get_firmware_version(std::span<uint8_t> frame);
int32_t glass_cmd_enter_dfu(std::span<uint8_t> frame);
int32_t glass_cmd_set_volume(uint8_t level, std::span<uint8_t> frame);
int32_t glass_cmd_switch_imu(std::span<uint8_t> frame, bool close);
int32_t glass_cmd_get_imu_offset(std::span<uint8_t> frame);
// Index 0 to 5; the four floats sit where the glasses return them in a user entry.
int32_t glass_cmd_set_user_temp_bias(std::span<uint8_t> frame, int32_t index, float temperature,
                                     float x, float y, float z);
// Type 1 asks for a factory entry, any other type for a user entry.
int32_t glass_cmd_get_temp_bias(std::span<uint8_t> frame, uint32_t index, int32_t type);
