#include "platform/foundation/RunningApplication.h"

#include <unistd.h>

#include <mutex>

#include "platform/foundation/Bundle.h"

namespace platform::foundation {

namespace {

std::mutex& registryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<RunningApplicationRegistry>& installedRegistry() {
    static std::shared_ptr<RunningApplicationRegistry> registry =
        std::make_shared<ThisProcessOnlyRegistry>();
    return registry;
}

}  // namespace

std::shared_ptr<RunningApplicationRegistry> runningApplications() {
    std::lock_guard lock(registryMutex());
    return installedRegistry();
}

void setRunningApplications(std::shared_ptr<RunningApplicationRegistry> registry) {
    if (!registry) registry = std::make_shared<ThisProcessOnlyRegistry>();
    std::lock_guard lock(registryMutex());
    installedRegistry() = std::move(registry);
}

std::vector<RunningApplication> ThisProcessOnlyRegistry::runningApplicationsWithBundleIdentifier(
    const std::string& bundleIdentifier) const {
    RunningApplication self = currentApplication();
    if (self.bundleIdentifier != bundleIdentifier) return {};
    return {self};
}

RunningApplication ThisProcessOnlyRegistry::currentApplication() const {
    return {static_cast<int64_t>(::getpid()), Bundle::main().bundleIdentifier()};
}

bool ThisProcessOnlyRegistry::activate(const RunningApplication& application) {
    return application == currentApplication();
}

}  // namespace platform::foundation
