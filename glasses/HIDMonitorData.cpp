#include "glasses/HIDMonitorData.h"

int64_t glassGenerationForDevice(int64_t vendorId, int64_t productId, int64_t current) {
    if (vendorId == 0x0483 && productId == 0x5750) return 1;
    if (vendorId == 0xFFFF && productId == 0x8866) return 2;
    if (vendorId == 0x0483 && productId >= 0x8001 && productId <= 0x8005) return 2;
    if (isBootloaderDevice(vendorId, productId)) return 2;
    return current;
}

bool isWakeDevice(int64_t vendorId, int64_t productId) {
    return (vendorId == 0x0483 && productId == 0x6001) ||
           (vendorId == 0x1234 && productId == 0x5678);
}

bool isBootloaderDevice(int64_t vendorId, int64_t productId) {
    return HIDMonitorData{vendorId, productId} == kBootloaderDevice;
}
