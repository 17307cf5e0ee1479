#include "platform/screens/DisplayServer.h"

#include <mutex>

namespace platform::screens {
namespace {

std::mutex& serverMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<DisplayServer>& installed() {
    static std::shared_ptr<DisplayServer> server;
    return server;
}

}  // namespace

std::shared_ptr<DisplayServer> displayServer() {
    std::lock_guard lock(serverMutex());
    return installed();
}

void installDisplayServer(std::shared_ptr<DisplayServer> server) {
    std::lock_guard lock(serverMutex());
    installed() = std::move(server);
}

}  // namespace platform::screens
