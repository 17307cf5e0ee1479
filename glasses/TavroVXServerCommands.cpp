#include <cstdio>
#include <vector>

#include "appstate/AppDelegate.h"
#include "common/TavroFirmwareVersions.h"
#include "glasses/GlassCommands.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/SystemInfo.h"

namespace {

constexpr int64_t kGlassesReportId = 2;

}  // namespace

std::shared_ptr<RFDevice> TavroVXServer::rebuildConnectedDevice() {
    const auto held = ioHidDevice_.get();
    if (!held) return nullptr;
    auto device = std::make_shared<RFDevice>(hidDeviceFromIOHIDDevice(held));
    connectedDevice_.set(device);
    return device;
}

int32_t TavroVXServer::sendCommand(Gate gate, const FrameBuilder& build, size_t bufferSize,
                                   int32_t* length) {
    if (gate == Gate::SecondGeneration && glassGeneration_.load() != 2) return -1;
    const auto device = rebuildConnectedDevice();
    if (!device) return -1;
    std::vector<uint8_t> frame(bufferSize, 0);
    const int32_t built = build(frame);
    if (length) *length = built;
    // A refused frame is not sent: its bytes are whatever the buffer held.
    if (built < 0) return -1;
    return device->sendReport(frame, kGlassesReportId);
}

std::string TavroVXServer::connectedDeviceDescription() const {
    const auto device = connectedDevice_.get();
    if (!device) return "nil";
    char text[96];
    std::snprintf(text, sizeof text, "<RFDevice %04llx:%04llx %s>",
                  static_cast<unsigned long long>(device->deviceInfo.vendorId),
                  static_cast<unsigned long long>(device->deviceInfo.productId),
                  device->deviceInfo.id.c_str());
    return text;
}

int32_t TavroVXServer::start_display_3d() {
    if (!rebuildConnectedDevice()) return -1;
    return change_display_3d(true);
}

int32_t TavroVXServer::stop_display_3d() {
    if (!rebuildConnectedDevice()) return -1;
    return change_display_3d(false);
}

int32_t TavroVXServer::change_display_3d(bool on) {
    std::vector<uint8_t> frame(100, 0);
    if (on && glassGeneration_.load() == 2) {
        glass_cmd_switch_3d_gen2(frame);
    } else {
        glass_cmd_switch_3d(frame, on);
    }
    if (!resolutionIdle_->load()) return 0;
    const auto device = connectedDevice_.get();
    const int32_t status = device ? device->sendReport(frame, kGlassesReportId) : 0;
    deviceChangeResolution(on, [idle = resolutionIdle_](bool) { idle->store(true); });
    return status;
}

int32_t TavroVXServer::setDuty(uint8_t duty) {
    return sendCommand(Gate::SecondGeneration, [duty](std::span<uint8_t> frame) {
        return glass_cmd_set_duty(frame, duty);
    });
}

int32_t TavroVXServer::change_display_volume(int64_t level) {
    return sendCommand(Gate::Glasses, [level](std::span<uint8_t> frame) {
        return glass_cmd_set_volume(static_cast<uint8_t>(level), frame);
    });
}

int32_t TavroVXServer::getTavroGlassFirmwareVersion() {
    return sendCommand(Gate::Glasses, glass_cmd_get_firmware_version);
}

int32_t TavroVXServer::changeIMUWithGlassWithIsClose(bool close) {
    if (glassGeneration_.load() != 2 || !ioHidDevice_.get()) return -1;
    AppDelegate::shared().isCloseIMU.store(close);
    return sendCommand(Gate::SecondGeneration, [close](std::span<uint8_t> frame) {
        return glass_cmd_switch_imu(frame, close);
    });
}

int32_t TavroVXServer::getIMUOffSetNew() {
    return sendCommand(Gate::SecondGeneration, glass_cmd_get_imu_offset);
}

int32_t TavroVXServer::setUserTempDrift(int32_t index, float temperature, float x, float y,
                                        float z) {
    if (index < 0 || index > 5) return -1;
    return sendCommand(Gate::SecondGeneration, [=](std::span<uint8_t> frame) {
        return glass_cmd_set_user_temp_bias(frame, index, temperature, x, y, z);
    });
}

void TavroVXServer::getFactoryImuTempBiasWithIdx(int32_t index, int32_t type) {
    int32_t length = 0;
    const int32_t status = sendCommand(
        Gate::SecondGeneration,
        [index, type](std::span<uint8_t> frame) {
            return glass_cmd_get_temp_bias(frame, static_cast<uint32_t>(index), type);
        },
        100, &length);
    if (status == -1 && length == 0) return;  // refused by the gate: nothing was built
    platform::foundation::standardOutputLine("device = " + connectedDeviceDescription());
    platform::foundation::standardOutputLine(std::to_string(length) +
                                             " == 获取温漂 ret = " + std::to_string(status));
}

int32_t TavroVXServer::enterDfu() {
    int32_t length = 0;
    const int32_t status = sendCommand(Gate::Glasses, glass_cmd_enter_dfu, 200, &length);
    if (status == -1 && length == 0) return -1;
    platform::foundation::standardOutputLine("device = " + connectedDeviceDescription());
    platform::foundation::standardOutputLine(std::to_string(length) +
                                             " == 进入dfu ret = " + std::to_string(status));
    return status;
}

int32_t TavroVXServer::setImmersion(int32_t value, bool isFirst) {
    if (glassGeneration_.load() != 2) return -1;
    if (!common::isVersionOfFamily(AppDelegate::shared().glassVersion.get(),
                                   common::kFirmwareFamilyV2Pro)) {
        return 0;
    }
    if (getImmersion() == value && !isFirst) return 0;
    return sendCommand(Gate::Glasses, [value](std::span<uint8_t> frame) {
        return glass_cmd_set_immersion(frame, static_cast<uint8_t>(value));
    });
}

int32_t TavroVXServer::getLightSensorWearInfo() {
    return sendCommand(Gate::SecondGeneration, glass_cmd_get_wear_thresholds);
}

int32_t TavroVXServer::setLightSensorWearDetection(bool close) {
    return sendCommand(Gate::SecondGeneration, [close](std::span<uint8_t> frame) {
        return glass_cmd_set_wear_detection(frame, close);
    });
}
