#include "platform/foundation/Workspace.h"

#include "platform/foundation/Guarded.h"

namespace platform::foundation {
namespace {

Guarded<std::vector<std::string>>& opened() {
    static Guarded<std::vector<std::string>> urls;
    return urls;
}

}  // namespace

Workspace& Workspace::shared() {
    static Workspace workspace;
    return workspace;
}

bool Workspace::openURL(const std::string& url) {
    opened().update([&](std::vector<std::string>& urls) { urls.push_back(url); });
    return true;
}

std::vector<std::string> Workspace::openedURLs() const {
    return opened().get();
}

void Workspace::clearOpenedURLs() {
    opened().set({});
}

}  // namespace platform::foundation
