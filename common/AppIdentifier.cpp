#include "common/AppIdentifier.h"

#include "platform/foundation/Bundle.h"

namespace common {

const std::string& AppIdentifier() {
    static const std::string identifier = platform::foundation::Bundle::main().bundleIdentifier();
    return identifier;
}

}  // namespace common
