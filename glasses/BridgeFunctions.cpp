#include "glasses/BridgeFunctions.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include "display/tavroDisplayManager.h"
#include "glasses/GlassReportState.h"
#include "glasses/TavroUSBServiceOC.h"
#include "headtracking/HeadTracker.h"

namespace {

constexpr const char* kNoAddress = "00:00:00:00:00:00";
constexpr int kHardwareAddressLength = 6;

}  // namespace

int32_t bridge_start_service() {
    TavroUSBServiceOC::shareManager().start();
    return 0;
}

int64_t bridge_open_3d() {
    return TavroUSBServiceOC::shareManager().open3D(true);
}

int64_t bridge_close_3d() {
    return TavroUSBServiceOC::shareManager().open3D(false);
}

int32_t bridge_set_app_position_callback(BridgePositionCallback callback) {
    TavroUSBServiceOC::shareManager().setUpdateAppPositionBlock(
        [callback](const platform::foundation::Value& value) {
            if (callback) callback(value);
        });
    return 0;
}

void bridge_set_log_callback(BridgeLogCallback callback) {
    TavroUSBServiceOC::shareManager().setPrintLogOutputBlock([callback](const std::string& text) {
        if (callback) callback(text.c_str());
    });
}

std::span<float, 4> bridge_get_quaternion(std::span<float, 4> quat) {
    switch (glass_report_state::lastMode()) {
        case 2:
            head_imu_get_quat(quat);
            break;
        case 1: {
            const std::array<float, 4> cached = glass_report_state::lastOrientation();
            std::copy(cached.begin(), cached.end(), quat.begin());
            break;
        }
        default:
            break;
    }
    return quat;
}

int64_t bridge_create_virtual_displays(bool) {
    return -1;
}

int64_t bridge_disconnect_virtual_displays() {
    return tavroDisplayManager::shared()->disconnectAllVirtualDisplays();
}

int64_t bridge_connect_virtual_displays() {
    return tavroDisplayManager::shared()->connectAllVirtualDisplays();
}

int64_t bridge_remove_virtual_displays() {
    return tavroDisplayManager::shared()->removeAllVirtualDisplays();
}

std::string hex_byte_string(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02x", value);
    return text;
}

std::string linkLayerAddressOf(const ifaddrs* list, const std::string& name) {
    std::string result = kNoAddress;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        // This machine's link-layer entries are packet-socket addresses.
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET) continue;
        if (!entry->ifa_name || name != entry->ifa_name) continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
        if (link->sll_halen < kHardwareAddressLength) continue;
        std::string text;
        for (int i = 0; i < kHardwareAddressLength; ++i) {
            if (i > 0) text += ':';
            text += hex_byte_string(link->sll_addr[i]);
        }
        result = text;
    }
    return result;
}

std::string en0MacAddress() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0 || !list) return kNoAddress;
    std::string result = linkLayerAddressOf(list, "en0");
    freeifaddrs(list);
    return result;
}
