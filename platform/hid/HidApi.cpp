#include "platform/hid/HidApi.h"

#include <mutex>

#include "platform/hid/RealHidApi.h"
#include "platform/hid/SimulatedHidApi.h"

namespace platform::hid {
namespace {

std::mutex& selectionMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<HidApi>& selected() {
    static std::shared_ptr<HidApi> api = makeRealHidApi();
    return api;
}

}  // namespace

void HidApi::hid_free_enumeration(HidDeviceInfo* devices) {
    while (devices) {
        HidDeviceInfo* next = devices->next;
        delete devices;
        devices = next;
    }
}

std::shared_ptr<HidApi> makeHidApi(HidApiBackend backend) {
    return backend == HidApiBackend::Real ? makeRealHidApi() : makeSimulatedHidApi();
}

std::shared_ptr<HidApi> hidApiShared() {
    std::lock_guard lock(selectionMutex());
    return selected();
}

void setHidApi(std::shared_ptr<HidApi> api) {
    std::lock_guard lock(selectionMutex());
    selected() = api ? std::move(api) : makeRealHidApi();
}

}  // namespace platform::hid
