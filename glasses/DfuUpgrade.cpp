#include "glasses/DfuUpgrade.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "common/AppIdentifier.h"
#include "glasses/ISPLdCMD.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/hid/HidApi.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

namespace {

using platform::foundation::NotificationCenter;

// The latest run's command layer, with the callback it reports to, kept with its port
// open after a handed-on run until the next run closes it.
struct CurrentUpdate {
    std::unique_ptr<DfuCallback> callback;
    std::unique_ptr<ISPLdCMD> command;
};

Mutex& runMutex() {
    static Mutex mutex;
    return mutex;
}

// One run at a time: the slot is reached only with runMutex() held.
CurrentUpdate& currentUpdate() TAVRO_REQUIRES(runMutex()) {
    static CurrentUpdate slot;
    return slot;
}

void post(const char* suffix, platform::foundation::Value object) {
    NotificationCenter::defaultCenter().post(common::AppIdentifier() + suffix, std::move(object));
}

void hidExit() {
    platform::hid::hidApiShared()->hid_exit();
}

void emptySlot(CurrentUpdate& slot) {
    if (slot.command) slot.command->closePort();
    slot.command.reset();
    slot.callback.reset();
}

const char* imageFor(uint8_t model) {
    return model == 1 ? "tavro2-evb-v1.65-79-11-00-0e" : "tavro2pro-evb-v1.53-79-11-01-0F";
}

}  // namespace

void DfuCallback::start() {
    std::printf("开始进行升级了...");
}

void DfuCallback::progress(float percent) {
    post(".dfuUpdate_progress", std::min(percent, 95.0f));
}

void DfuCallback::success() {
    std::printf("升级成功!");
}

void DfuCallback::fail(int32_t code) {
    std::printf("升级失败 ret=%d！！！", code);
    post(".dfuUpdate_status", false);
}

int32_t run_glass_dfu_upgrade() {
    MutexLock run(runMutex());
    CurrentUpdate& slot = currentUpdate();
    emptySlot(slot);
    hidExit();
    std::printf("This is dfu test.");

    slot.command = std::make_unique<ISPLdCMD>();
    slot.callback = std::make_unique<DfuCallback>();
    slot.command->setCallback(slot.callback.get());
    const bool opened = slot.command->openPort();
    std::printf("Open_port ret=%d\n", opened ? 1 : 0);
    if (!opened) {
        emptySlot(slot);
        hidExit();
        std::printf("\n无法打开DFU");
        return -1;
    }

    const uint8_t model = slot.command->GetBlVersion();
    post(".dfuUpdate_versionShow", static_cast<int>(model));
    std::printf("\nGlassModel = %d\n", model);

    const std::optional<std::string> path =
        platform::foundation::Bundle::main().pathForResource(imageFor(model), "bin");
    if (!path) {
        std::printf("\nDFU升级包不存在");
        emptySlot(slot);
        hidExit();
        return -1;
    }

    std::array<char, kFirmwareVersionLimit> version{};
    const bool loaded = slot.command->UpdateFileInfo(*path, version, true);
    std::printf("\n result=%d,out=%s", loaded ? 1 : 0,
                std::string(version.data(), strnlen(version.data(), version.size())).c_str());
    if (!loaded) {
        std::printf("\n错误!!!");
        emptySlot(slot);
        hidExit();
        return -1;
    }

    slot.command->programAprom();
    std::printf("\n********************end***********************");
    hidExit();
    return 0;
}

int32_t probeDfuPort() {
    ISPLdCMD command;
    if (!command.openPort()) return -1;
    const uint8_t model = command.GetBlVersion();
    command.closePort();
    return model;
}
