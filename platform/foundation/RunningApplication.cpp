#include "platform/foundation/RunningApplication.h"

#include <unistd.h>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/InstalledBackend.h"

namespace platform::foundation {

namespace {

std::shared_ptr<RunningApplicationRegistry> thisProcessOnly() {
    return std::make_shared<ThisProcessOnlyRegistry>();
}

constinit InstalledBackend<RunningApplicationRegistry> installedRegistry(&thisProcessOnly);

}  // namespace

std::shared_ptr<RunningApplicationRegistry> runningApplications() {
    return installedRegistry.get();
}

void setRunningApplications(std::shared_ptr<RunningApplicationRegistry> registry) {
    installedRegistry.install(std::move(registry));
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
