#include "platform/foundation/Workspace.h"

#include <mutex>

namespace platform::foundation {
namespace {

std::mutex gMutex;
std::vector<std::string>& opened() {
    static std::vector<std::string> urls;
    return urls;
}

}  // namespace

Workspace& Workspace::shared() {
    static Workspace workspace;
    return workspace;
}

bool Workspace::openURL(const std::string& url) {
    std::lock_guard lock(gMutex);
    opened().push_back(url);
    return true;
}

std::vector<std::string> Workspace::openedURLs() const {
    std::lock_guard lock(gMutex);
    return opened();
}

void Workspace::clearOpenedURLs() {
    std::lock_guard lock(gMutex);
    opened().clear();
}

}  // namespace platform::foundation
