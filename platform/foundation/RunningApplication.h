#pragma once
// The running-application registry: which applications run on the machine, found by bundle
// identifier, which of them is this process, and asking another one to come to the front.
// The registry is a backend installed once per run: by default it knows this process
// only; the application entry installs one that sees the other processes of the machine.
// Thread-safe.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::foundation {

struct RunningApplication {
    int64_t processIdentifier = 0;
    std::string bundleIdentifier;
    bool operator==(const RunningApplication&) const = default;
};

class RunningApplicationRegistry {
  public:
    virtual ~RunningApplicationRegistry() = default;
    // Every running application with that bundle identifier, in the system's order.
    virtual std::vector<RunningApplication> runningApplicationsWithBundleIdentifier(
        const std::string& bundleIdentifier) const = 0;
    // This process.
    virtual RunningApplication currentApplication() const = 0;
    // Asks the application to come to the front (as a reopen does); false when it could
    // not be reached or did not take the request (it is quitting). A registry may then wait,
    // bounded, for that application to end, so that a second look at the list no longer
    // shows it.
    virtual bool activate(const RunningApplication& application) = 0;
};

// The installed registry (this process alone until another is installed).
std::shared_ptr<RunningApplicationRegistry> runningApplications();
// Installs a registry; null goes back to the one that knows this process only.
void setRunningApplications(std::shared_ptr<RunningApplicationRegistry> registry);

// The registry that knows this process only, under the main bundle's identifier.
class ThisProcessOnlyRegistry final : public RunningApplicationRegistry {
  public:
    std::vector<RunningApplication> runningApplicationsWithBundleIdentifier(
        const std::string& bundleIdentifier) const override;
    RunningApplication currentApplication() const override;
    bool activate(const RunningApplication& application) override;
};

}  // namespace platform::foundation
