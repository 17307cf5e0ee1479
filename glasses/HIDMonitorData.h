#pragma once
// The USB vendor/product pairs of the devices the glasses link watches (glasses of both
// generations, the unnamed glasses, the microcontroller's firmware bootloader and the two
// wake devices) and the one rule that tells the glasses' generation from a pair.
// Constant data and pure functions; thread-safe.

#include <array>
#include <cstdint>

struct HIDMonitorData {
    int64_t vendorId = 0;
    int64_t productId = 0;
    bool operator==(const HIDMonitorData&) const = default;
};

// The glasses' microcontroller in its firmware-update bootloader: where the updater opens its
// link and what tells that glasses came up for an update rather than as glasses.
inline constexpr HIDMonitorData kBootloaderDevice{0x0416, 0x3F00};

inline constexpr std::array<HIDMonitorData, 11> watchedHIDDevices{{
    {0x0483, 0x5750},  // first generation
    {0xFFFF, 0x8866},  // second generation
    {0x0483, 0x8005},
    {0x0483, 0x8004},
    {0x0483, 0x8003},
    {0x0483, 0x8002},
    {0x0483, 0x8001},
    {0x3318, 0x0428},  // glasses of no named generation
    kBootloaderDevice,
    {0x1234, 0x5678},  // wake devices
    {0x0483, 0x6001},
}};

// 1 or 2 for the pairs that name a generation; `current` for every other pair.
int64_t glassGenerationForDevice(int64_t vendorId, int64_t productId, int64_t current);
bool isWakeDevice(int64_t vendorId, int64_t productId);
bool isBootloaderDevice(int64_t vendorId, int64_t productId);
