#include "platform/hid/HIDBus.h"

namespace platform::hid {

HIDBus& HIDBus::system() {
    static HIDBus bus;
    return bus;
}

}  // namespace platform::hid
