#include "platform/hid/HidApi.h"

#include "platform/foundation/InstalledBackend.h"
#include "platform/hid/RealHidApi.h"

namespace platform::hid {
namespace {

constinit foundation::InstalledBackend<HidApi> selected(&makeRealHidApi);

}  // namespace

void HidApi::hid_free_enumeration(HidDeviceInfo* devices) {
    while (devices) {
        HidDeviceInfo* next = devices->next;
        delete devices;
        devices = next;
    }
}

std::shared_ptr<HidApi> hidApiShared() {
    return selected.get();
}

void setHidApi(std::shared_ptr<HidApi> api) {
    selected.install(std::move(api));
}

}  // namespace platform::hid
