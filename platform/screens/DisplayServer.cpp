#include "platform/screens/DisplayServer.h"

#include "platform/foundation/InstalledBackend.h"

namespace platform::screens {
namespace {
constinit foundation::InstalledBackend<DisplayServer> installed;
}  // namespace

std::shared_ptr<DisplayServer> displayServer() {
    return installed.get();
}

void installDisplayServer(std::shared_ptr<DisplayServer> server) {
    installed.install(std::move(server));
}

}  // namespace platform::screens
