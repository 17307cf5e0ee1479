#include "platform/hid/UsbRegistry.h"

namespace platform::hid {

foundation::Value serviceMatching(const std::string& className) {
    return foundation::Value(foundation::ValueDictionary{{kIOProviderClassKey, className}});
}

UsbRegistry& UsbRegistry::system() {
    static UsbRegistry registry;
    return registry;
}

}  // namespace platform::hid
